// Child of the crash soak: loads the data file with recovery, then saves ever newer
// generations through JSONFileStore until it is killed, printing each generation on standard
// output once its save has returned.

#include "JSONFileStore.h"
#include "SoakRecords.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

void announce(qint64 k)
{
    // Unbuffered, so that a generation is reported the moment its save returned.
    const QByteArray line = QByteArray::number(k) + '\n';
    if (::write(STDOUT_FILENO, line.constData(), static_cast<size_t>(line.size())) != line.size()) {
        std::_Exit(4);
    }
}

QCoro::Task<void> saveForever(JSONFileStore<SoakRecords::Instances>* store)
{
    try {
        const JSONFileLoadResult<SoakRecords::Instances> loaded = co_await store->loadWithRecovery();
        const std::optional<qint64> start = SoakRecords::generationOf(loaded.value);
        if (!start) {
            std::fputs("soak child: the data file holds no generation\n", stderr);
            std::_Exit(3);
        }
        for (qint64 k = *start + 1;; ++k) {
            co_await store->save(SoakRecords::generation(k));
            announce(k);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "soak child: %s\n", error.what());
        std::_Exit(2);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: marlvane_soak_child <data file>\n", stderr);
        return 64;
    }
    JSONFileStore<SoakRecords::Instances> store(QString::fromLocal8Bit(argv[1]), {});
    QTimer::singleShot(0, &app, [&store] { saveForever(&store); });
    return app.exec();
}
