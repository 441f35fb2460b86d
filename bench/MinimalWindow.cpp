// The floor of the first-frame, ready and memory figures: a Qt Widgets program that shows a window
// the way Marlvane shows its home window (same application names, size limits and title) with the
// texts of its first frame, the header and the runtime placeholder, in the app's fonts, sizes and
// weights, and nothing else. Prints "frame_ns <CLOCK_MONOTONIC of its first painted frame>" and
// "peak_rss_kib <n>" at that frame. Given a core, it then runs the core's three start-up commands
// ("list", "version", "doctor --json") back to back and prints "ready_ns" when they are done.
// The core's environment is this program's own: the parent sets what the app adds.
// Usage: marlvane_bench_minimal_window [core]
#include "BenchClock.h"
#include "ProbeApplication.h"
#include "Theme.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {

QLabel* label(const QString& text, TextStyle style, QFont::Weight weight)
{
    auto* label = new QLabel(text);
    label->setFont(Theme::font(style, weight));
    label->setWordWrap(true);
    return label;
}

QPushButton* button(const QString& text)
{
    auto* button = new QPushButton(text);
    button->setFont(Theme::font(TextStyle::body));
    return button;
}

// Success as the app judges it: "list" and "version" must succeed, the doctor must answer.
bool runCore(const QString& core)
{
    const QList<QStringList> commands{{QStringLiteral("list")},
                                      {QStringLiteral("version")},
                                      {QStringLiteral("doctor"), QStringLiteral("--json")}};
    bool ok = true;
    for (const QStringList& arguments : commands) {
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(core, arguments);
        const bool finished = process.waitForFinished(-1);
        process.readAllStandardOutput();
        process.readAllStandardError();
        const bool answered = finished && process.exitStatus() == QProcess::NormalExit;
        ok = ok && answered && (arguments.first() == QLatin1String("doctor") || process.exitCode() == 0);
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    ProbeApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marlvane"));
    QApplication::setOrganizationName(QStringLiteral("Marlvane"));
    const QString core = QCoreApplication::arguments().value(1);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Marlvane"));
    window.setMinimumSize(660, 520);
    window.resize(760, 680);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(label(QStringLiteral("Marlvane"), TextStyle::title2, QFont::DemiBold));
    layout->addWidget(label(QStringLiteral("Codex Instance Manager"), TextStyle::caption, QFont::Normal));
    layout->addStretch(1);
    layout->addWidget(label(QStringLiteral("需要 Codex 运行环境"), TextStyle::title2, QFont::DemiBold));
    layout->addWidget(label(QStringLiteral("安装 ChatGPT Desktop 或 Codex CLI 后重新检测。"), TextStyle::body,
                            QFont::Normal));
    layout->addWidget(button(QStringLiteral("OpenAI 官方下载")));
    layout->addWidget(button(QStringLiteral("重新检测")));
    layout->addStretch(1);

    int status = 0;
    application.whenPainted(
        [&window](QObject* receiver) { return receiver == &window; },
        [&core, &status](std::int64_t frameNs) {
            std::printf("frame_ns %lld\n", static_cast<long long>(frameNs));
            std::printf("peak_rss_kib %ld\n", ProbeApplication::peakResidentKiB());
            std::fflush(stdout);
            if (core.isEmpty()) {
                QCoreApplication::quit();
                return;
            }
            // As the app does, the core runs once this frame is on its way.
            QTimer::singleShot(0, [&core, &status] {
                if (runCore(core)) {
                    std::printf("ready_ns %lld\n", static_cast<long long>(BenchClock::nowNs()));
                } else {
                    std::fprintf(stderr, "marlvane_bench_minimal_window: a core run failed\n");
                    status = 1;
                }
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        });
    window.show();
    QApplication::exec();
    return status;
}
