#pragma once

#include <QString>

#include <optional>

/**
 * @brief The application's bundle: where its resources and version live.
 *
 * macOS: the .app, resources in Contents/Resources, the version from Info.plist's
 * "CFBundleShortVersionString". Linux: the build and install layout, resources in
 * <folder of the executable>/../share/marlvane, the version stamped in by the build.
 */
struct AppBundle
{
    /** @brief The resource folder; absent when the bundle has none. */
    std::optional<QString> resourcePath;
    /** @brief "CFBundleShortVersionString" (macOS) or the build's version (Linux); absent if none. */
    std::optional<QString> shortVersionString;

    /** @brief The bundle of the running application. */
    static AppBundle main();

    /** @brief <resources>/<subfolder>/<name> when such a file exists, else absent. */
    std::optional<QString> pathForResource(const QString& name, const QString& subfolder) const;
};
