#include "AtomicFile.h"

#include <QFileInfo>

void AtomicFile::write(const QString& path, const QByteArray& bytes, mode_t permissions, FileOps& ops)
{
    writeWithoutFolderSync(path, bytes, permissions, ops);
    // The new content is in place now; a failure here means only that the rename may not
    // survive a crash, which the caller still has to hear about.
    ops.fsyncDirectory(QFileInfo(path).absolutePath());
}

void AtomicFile::writeWithoutFolderSync(const QString& path, const QByteArray& bytes, mode_t permissions,
                                        FileOps& ops)
{
    const QFileInfo target(path);
    FileOps::TempFile temp = ops.createTemp(target.absolutePath(), target.fileName());
    bool open = true;
    try {
        ops.write(temp.fd, bytes, path);
        ops.fsync(temp.fd, path);
        open = false;
        ops.close(temp.fd, path);
        try {
            // Set on the temporary file, so the target never appears with other permissions.
            ops.chmod(temp.path, permissions);
        } catch (const PlatformError&) {
        }
        ops.rename(temp.path, path);
    } catch (...) {
        if (open) {
            try {
                ops.close(temp.fd, temp.path);
            } catch (const PlatformError&) {
            }
        }
        try {
            ops.remove(temp.path);
        } catch (const PlatformError&) {
        }
        throw;
    }
}
