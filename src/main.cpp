#include "appsetup.h"
#include "recordsdatabase.h"
#include "recordslog.h"
#include "recordssender.h"
#include "widget.h"

#include <QApplication>
#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    // Checked, and an old calibration history imported, while the technician reads.
    openRecords(RecordsDatabase::defaultPath());
    // The lab's server, where one is set, gets the records in the background.
    std::unique_ptr<RecordsSender> sender;
    if (const QString server = configuredServer(); !server.isEmpty())
        sender = std::make_unique<RecordsSender>(RecordsDatabase::defaultPath(), server);
    Widget window;
    window.show();
    return app.exec();
}
