#include "app/Main.h"
#include "platform/LargeBlock.h"

#include <QApplication>

int main(int argc, char** argv)
{
    quillet::useHugePageHeap(argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));

    quillet::TMainForm::StartOptions options;
    // Qt has taken its own options (-platform, -style, ...) out already.
    options.Arguments = QApplication::arguments();
    if (!options.Arguments.isEmpty()) options.Arguments.removeFirst();

    quillet::TMainForm frame(std::move(options));
    frame.show();
    return app.exec();
}
