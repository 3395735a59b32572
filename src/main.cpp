#include "appsetup.h"
#include "widget.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    Widget window;
    window.show();
    return app.exec();
}
