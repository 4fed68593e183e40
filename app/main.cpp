#include "app/Main.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    quillet::TMainForm frame;
    frame.show();
    return app.exec();
}
