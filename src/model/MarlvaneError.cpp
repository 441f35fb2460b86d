#include "MarlvaneError.h"

#include "VSCodeLocator.h"

#include <utility>

MarlvaneError::MarlvaneError(Kind kind, QString payload)
    : m_kind(kind)
    , m_payload(std::move(payload))
    , m_utf8(errorDescription().toUtf8())
{}

MarlvaneError MarlvaneError::coreFailure(const QString& message)
{
    return MarlvaneError(Kind::coreFailure, message);
}

MarlvaneError MarlvaneError::coreNotFound()
{
    return MarlvaneError(Kind::coreNotFound, {});
}

MarlvaneError MarlvaneError::invalidName()
{
    return MarlvaneError(Kind::invalidName, {});
}

MarlvaneError MarlvaneError::unmanagedProfile()
{
    return MarlvaneError(Kind::unmanagedProfile, {});
}

MarlvaneError MarlvaneError::profileMissing()
{
    return MarlvaneError(Kind::profileMissing, {});
}

MarlvaneError MarlvaneError::desktopNotInstalled()
{
    return MarlvaneError(Kind::desktopNotInstalled, {});
}

MarlvaneError MarlvaneError::cliNotInstalled()
{
    return MarlvaneError(Kind::cliNotInstalled, {});
}

MarlvaneError MarlvaneError::vscodeNotInstalled()
{
    return MarlvaneError(Kind::vscodeNotInstalled, {});
}

MarlvaneError MarlvaneError::projectMissing()
{
    return MarlvaneError(Kind::projectMissing, {});
}

QString MarlvaneError::errorDescription() const
{
    switch (m_kind) {
    case Kind::coreFailure:
        return QStringLiteral("Core 操作失败：") + m_payload;
    case Kind::coreNotFound:
        return QStringLiteral("找不到 Marlvane Core。开发版可安装 tessaroll 0.7.0。");
    case Kind::invalidName:
        return QStringLiteral("请输入实例名称。");
    case Kind::unmanagedProfile:
        return QStringLiteral("该 Profile 不属于当前可管理范围。");
    case Kind::profileMissing:
        return QStringLiteral("这个 Profile 已不存在，请重新扫描后再试。");
    case Kind::desktopNotInstalled:
        return QStringLiteral("未检测到 ChatGPT Desktop。");
    case Kind::cliNotInstalled:
        return QStringLiteral("未检测到可用的 Codex CLI。");
    case Kind::vscodeNotInstalled:
        return VSCodeLocator::notInstalledMessage(VSCodeLocator::hostPlatform());
    case Kind::projectMissing:
        return QStringLiteral("项目目录不存在，请重新选择。");
    }
    return {};
}

bool MarlvaneError::operator==(const MarlvaneError& other) const
{
    // Payloads of the cases without one are always empty, so comparing them is harmless.
    return m_kind == other.m_kind && m_payload == other.m_payload;
}
