#include "AppBundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

namespace {

std::optional<QString> existingFolder(const QString& path)
{
    if (QFileInfo(path).isDir()) {
        return QDir::cleanPath(path);
    }
    return std::nullopt;
}

#ifdef Q_OS_MACOS
// Info.plist is an XML property list; the version is the <string> right after its <key>.
// Any other value type (or a binary plist) leaves the version absent.
std::optional<QString> plistString(const QString& plistPath, const QString& wantedKey)
{
    QFile file(plistPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QXmlStreamReader xml(&file);
    bool keyMatched = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (keyMatched) {
            if (xml.name() == QLatin1String("string")) {
                return xml.readElementText();
            }
            return std::nullopt;
        }
        if (xml.name() == QLatin1String("key")) {
            keyMatched = xml.readElementText() == wantedKey;
        }
    }
    return std::nullopt;
}
#endif

} // namespace

AppBundle AppBundle::main()
{
    const QString executableFolder = QCoreApplication::applicationDirPath();
    AppBundle bundle;
#ifdef Q_OS_MACOS
    bundle.resourcePath = existingFolder(executableFolder + QStringLiteral("/../Resources"));
    bundle.shortVersionString = plistString(executableFolder + QStringLiteral("/../Info.plist"),
                                            QStringLiteral("CFBundleShortVersionString"));
#else
    bundle.resourcePath = existingFolder(executableFolder + QStringLiteral("/../share/marlvane"));
    bundle.shortVersionString = QStringLiteral(MARLVANE_VERSION);
#endif
    return bundle;
}

std::optional<QString> AppBundle::pathForResource(const QString& name, const QString& subfolder) const
{
    if (!resourcePath) {
        return std::nullopt;
    }
    QString path = *resourcePath;
    if (!subfolder.isEmpty()) {
        path += QLatin1Char('/') + subfolder;
    }
    path += QLatin1Char('/') + name;
    if (!QFileInfo::exists(path)) {
        return std::nullopt;
    }
    return QDir::cleanPath(path);
}
