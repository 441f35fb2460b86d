#include "MarlvaneApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    MarlvaneApp::prepareProcess();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marlvane"));
    QApplication::setOrganizationName(QStringLiteral("Marlvane"));

    MarlvaneApp marlvane;
    marlvane.show();
    return QApplication::exec();
}
