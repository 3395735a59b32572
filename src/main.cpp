#include "appsetup.h"
#include "recordsdatabase.h"
#include "recordslog.h"
#include "widget.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    // Checked, and an old calibration history imported, while the technician reads.
    openRecords(RecordsDatabase::defaultPath());
    Widget window;
    window.show();
    return app.exec();
}
