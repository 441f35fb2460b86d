#include "FileStoreEngine.h"

#include "AtomicFile.h"
#include "FolderLock.h"
#include "PlatformError.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <exception>
#include <utility>

namespace {

constexpr mode_t filePermissions = 0600;
constexpr mode_t folderPermissions = 0700;

/** @brief Permission bits a data folder must not have: nobody else may change its files. */
constexpr mode_t othersWrite = 022;

QString utcStamp()
{
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

} // namespace

FileStoreEngine::FileStoreEngine(QString url, std::shared_ptr<FileOps> ops)
    : m_url(std::move(url))
    , m_backupURL(m_url + QStringLiteral(".backup"))
    , m_ops(ops ? std::move(ops) : FileOps::real())
    // Only names of the form AtomicFile gives this file's temporaries.
    , m_temporaryName(QStringLiteral("^\\.%1(\\.backup)?(\\.damaged-[0-9]{8}T[0-9]{6}Z(-[0-9]+)?)?"
                                     "\\.[A-Za-z0-9]{6}$")
                          .arg(QRegularExpression::escape(QFileInfo(m_url).fileName())))
{}

void FileStoreEngine::ensureFolder(const QString& folder, FileOps& ops)
{
    if (!QFileInfo::exists(folder)) {
        ops.makePath(folder, folderPermissions);
        // The umask may have taken more away; the files need the owner's access, nobody else's.
        ops.chmod(folder, folderPermissions);
    }
}

QString FileStoreEngine::damagedCopyName(const QString& path, const QString& stamp)
{
    return path + QStringLiteral(".damaged-") + stamp;
}

FileStoreEngine::LoadOutcome FileStoreEngine::load(const Decode& decode)
{
    // A folder someone else controls is not waited for (its lock could be held forever); it is
    // only read, since every write into it is refused.
    const QString folder = QFileInfo(m_url).absolutePath();
    std::optional<FolderLock> lock;
    if (!QFileInfo::exists(folder) || !folderProblem()) {
        lock.emplace(folder);
    }
    removeStaleTemporaries();
    m_unkept.clear();

    const bool backupExists = m_ops->exists(m_backupURL);
    bool mainDamaged = false;
    std::optional<QByteArray> mainBytes;
    if (m_ops->exists(m_url)) {
        // Something that is no data file (a FIFO, a device, a huge file) is not read, and the
        // backup does not replace it: it stays as it is until someone has looked at it.
        if (std::optional<PlatformError> refused = FileOps::refusal(FileOps::Kind::read, m_url)) {
            throw *refused;
        }
        std::optional<PlatformError> mainError;
        try {
            mainBytes = m_ops->readAll(m_url);
            decodeFile(m_url, *mainBytes, decode);
            if (!backupExists) {
                writeIgnoringFailure(m_backupURL, *mainBytes);
            }
            return {true, false};
        } catch (const PlatformError& error) {
            mainError = error;
        }
        if (!backupExists) {
            // The load fails and the main file stays as it is, but a later save would replace
            // it: its bytes go aside first, so a person can still look at them.
            if (const std::optional<QString> copy = keepAside(m_url, mainBytes)) {
                throw PlatformError(
                    QStringLiteral("%1；损坏的文件已另存为 %2").arg(mainError->description(), *copy),
                    mainError->code());
            }
            throw *mainError;
        }
        mainDamaged = true;
    } else if (!backupExists) {
        return {false, false};
    }

    std::optional<QByteArray> backupBytes;
    const std::optional<PlatformError> backupRefused = FileOps::refusal(FileOps::Kind::read, m_backupURL);
    try {
        if (backupRefused) {
            throw *backupRefused;
        }
        backupBytes = m_ops->readAll(m_backupURL);
        decodeFile(m_backupURL, *backupBytes, decode);
    } catch (const PlatformError&) {
        // Neither file is usable: both keep their bytes until someone has looked at them.
        if (mainDamaged) {
            keepAside(m_url, mainBytes);
        }
        if (!backupRefused) {
            keepAside(m_backupURL, backupBytes);
        }
        throw;
    }

    requireSafeFolder();
    if (!mainDamaged) {
        AtomicFile::write(m_url, *backupBytes, filePermissions, *m_ops);
    } else if (mainBytes && existingCopy(m_url, *mainBytes)) {
        AtomicFile::write(m_url, *backupBytes, filePermissions, *m_ops);
    } else if (!QFileInfo(m_url).isFile()) {
        // Not a file (a folder, say): nothing is moved around; the write reports what is in the way.
        AtomicFile::write(m_url, *backupBytes, filePermissions, *m_ops);
    } else {
        replaceDamaged(m_url, *backupBytes, true);
    }
    return {true, true};
}

void FileStoreEngine::save(const Encode& encode)
{
    const QString folder = QFileInfo(m_url).absolutePath();
    ensureFolder(folder, *m_ops);
    // Checked before the lock is awaited, so another user's folder cannot hold the save up.
    requireSafeFolder();
    const FolderLock lock(folder);
    // Replacing a FIFO, a device or a huge file would destroy it; it stays as it is.
    if (std::optional<PlatformError> refused = FileOps::refusal(FileOps::Kind::rename, m_url)) {
        throw *refused;
    }
    const QByteArray bytes = encode();
    if (m_unkept.contains(m_url)) {
        replaceDamaged(m_url, bytes, false);
    } else {
        AtomicFile::writeWithoutFolderSync(m_url, bytes, filePermissions, *m_ops);
    }
    m_unkept.removeAll(m_url);

    // The backup is a second copy: the main file already holds these bytes, so failing to
    // copy them must not fail the save.
    try {
        if (FileOps::refusal(FileOps::Kind::rename, m_backupURL)) {
            // Left as it is, like the main file in its place would be.
        } else if (m_unkept.contains(m_backupURL)) {
            replaceDamaged(m_backupURL, bytes, false);
            m_unkept.removeAll(m_backupURL);
        } else {
            AtomicFile::writeWithoutFolderSync(m_backupURL, bytes, filePermissions, *m_ops);
        }
    } catch (const PlatformError&) {
    }

    // Both files were flushed before their renames, so whatever a crash keeps of the renames,
    // each file holds its old or its new bytes in full. One flush of the folder makes both
    // renames last; when it fails, the main file's new content may not survive a crash, which
    // the caller has to hear about.
    m_ops->fsyncDirectory(folder);
}

void FileStoreEngine::writeFile(const QString& path, const QByteArray& bytes, bool syncFolder) const
{
    if (syncFolder) {
        AtomicFile::write(path, bytes, filePermissions, *m_ops);
    } else {
        AtomicFile::writeWithoutFolderSync(path, bytes, filePermissions, *m_ops);
    }
}

void FileStoreEngine::decodeFile(const QString& path, const QByteArray& bytes, const Decode& decode) const
{
    try {
        decode(bytes);
    } catch (const PlatformError& error) {
        throw PlatformError(QStringLiteral("无法读取文件 %1：%2").arg(path, error.description()),
                            error.code());
    }
}

std::optional<QString> FileStoreEngine::folderProblem() const
{
    return FileOps::folderProblem(QFileInfo(m_url).absolutePath(), othersWrite, true,
                                  QStringLiteral("无法使用数据文件夹"));
}

void FileStoreEngine::requireSafeFolder() const
{
    const QString folder = QFileInfo(m_url).absolutePath();
    if (const std::optional<QString> problem = folderProblem()) {
        throw PlatformError(QStringLiteral("数据文件夹 %1 %2，出于安全考虑不会在其中保存数据。"
                                           "请把它改为只属于当前用户、只允许当前用户写入后重试。")
                                .arg(folder, *problem));
    }
}

void FileStoreEngine::writeIgnoringFailure(const QString& path, const QByteArray& bytes) const
{
    // The backup is a second copy: the main file already holds these bytes, so failing to
    // copy them must not fail the operation.
    try {
        requireSafeFolder();
        AtomicFile::write(path, bytes, filePermissions, *m_ops);
    } catch (const PlatformError&) {
    }
}

void FileStoreEngine::removeStaleTemporaries() const
{
    // A save that was killed between creating its temporary file and renaming it leaves the
    // file behind; its content never became the file's, so it is only clutter. Only names of
    // the form AtomicFile gives this file's temporaries are touched.
    const QFileInfo main(m_url);
    const QStringList names = QDir(main.absolutePath()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (m_temporaryName.match(name).hasMatch()) {
            try {
                m_ops->remove(main.absolutePath() + QLatin1Char('/') + name);
            } catch (const PlatformError&) {
            }
        }
    }
}

std::optional<QString> FileStoreEngine::keepAside(const QString& path, const std::optional<QByteArray>& bytes)
{
    if (bytes) {
        if (const std::optional<QString> copy = existingCopy(path, *bytes)) {
            return copy;
        }
        const QString copy = freeCopyName(path);
        try {
            AtomicFile::write(copy, *bytes, filePermissions, *m_ops);
            return copy;
        } catch (const PlatformError&) {
            // No room or no permission for a copy now: the file itself is moved aside instead,
            // by the save that would otherwise replace it.
        }
    }
    if (QFileInfo(path).isFile() && !m_unkept.contains(path)) {
        m_unkept.append(path);
    }
    return std::nullopt;
}

std::optional<QString> FileStoreEngine::existingCopy(const QString& path, const QByteArray& bytes) const
{
    // A damaged file that is found again at every start is kept once, not once per start.
    const QFileInfo info(path);
    const QString pattern = info.fileName() + QStringLiteral(".damaged-*");
    const QStringList names = QDir(info.absolutePath()).entryList({pattern}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QString candidate = info.absolutePath() + QLatin1Char('/') + name;
        try {
            if (m_ops->readAll(candidate) == bytes) {
                return candidate;
            }
        } catch (const PlatformError&) {
        }
    }
    return std::nullopt;
}

QString FileStoreEngine::freeCopyName(const QString& path) const
{
    const QString base = damagedCopyName(path, utcStamp());
    QString name = base;
    for (int n = 2; m_ops->exists(name) || QFileInfo(name).isSymLink(); ++n) {
        name = base + QLatin1Char('-') + QString::number(n);
    }
    return name;
}

void FileStoreEngine::replaceDamaged(const QString& path, const QByteArray& bytes, bool syncFolder)
{
    // A rename keeps the damaged bytes without needing any free space, which a copy would.
    const QString aside = freeCopyName(path);
    try {
        m_ops->rename(path, aside);
    } catch (const PlatformError& error) {
        if (error.code() != ENOENT) {
            throw PlatformError::fromErrno(QStringLiteral("无法把损坏的文件另存"), path, error.code());
        }
        // Gone meanwhile: nothing left to keep.
        writeFile(path, bytes, syncFolder);
        return;
    }
    try {
        m_ops->chmod(aside, filePermissions);
    } catch (const PlatformError&) {
    }
    try {
        writeFile(path, bytes, syncFolder);
    } catch (const PlatformError&) {
        // Only when the new file never arrived does the old one go back: after a failed flush
        // of the folder the new file is in place and the damaged one stays aside.
        if (!m_ops->exists(path)) {
            try {
                m_ops->rename(aside, path);
            } catch (const PlatformError&) {
            }
        }
        throw;
    }
}
