#include "FileStoreEngine.h"

#include "AtomicFile.h"
#include "PlatformError.h"

#include <QFileInfo>

#include <exception>
#include <utility>

namespace {

constexpr mode_t filePermissions = 0600;
constexpr mode_t folderPermissions = 0700;

} // namespace

FileStoreEngine::FileStoreEngine(QString url, std::shared_ptr<FileOps> ops)
    : m_url(std::move(url))
    , m_backupURL(m_url + QStringLiteral(".backup"))
    , m_ops(ops ? std::move(ops) : FileOps::real())
{}

FileStoreEngine::LoadOutcome FileStoreEngine::load(const Decode& decode) const
{
    const bool backupExists = m_ops->exists(m_backupURL);
    if (m_ops->exists(m_url)) {
        std::exception_ptr mainError;
        try {
            const QByteArray bytes = m_ops->readAll(m_url);
            decodeFile(m_url, bytes, decode);
            if (!backupExists) {
                writeIgnoringFailure(m_backupURL, bytes);
            }
            return {true, false};
        } catch (const PlatformError&) {
            mainError = std::current_exception();
        }
        if (!backupExists) {
            std::rethrow_exception(mainError);
        }
    } else if (!backupExists) {
        return {false, false};
    }

    const QByteArray bytes = m_ops->readAll(m_backupURL);
    decodeFile(m_backupURL, bytes, decode);
    AtomicFile::write(m_url, bytes, filePermissions, *m_ops);
    return {true, true};
}

void FileStoreEngine::save(const Encode& encode) const
{
    m_ops->makePath(QFileInfo(m_url).absolutePath(), folderPermissions);
    const QByteArray bytes = encode();
    AtomicFile::write(m_url, bytes, filePermissions, *m_ops);
    writeIgnoringFailure(m_backupURL, bytes);
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

void FileStoreEngine::writeIgnoringFailure(const QString& path, const QByteArray& bytes) const
{
    // The backup is a second copy: the main file already holds these bytes, so failing to
    // copy them must not fail the operation.
    try {
        AtomicFile::write(path, bytes, filePermissions, *m_ops);
    } catch (const PlatformError&) {
    }
}
