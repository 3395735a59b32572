#include "memorydevice.h"

#include <QSignalSpy>
#include <QTest>

// The in-memory port must behave as the dialog expects a serial port to: announce what arrives,
// keep what is not read, and hand on exactly what is written.
class TstMemoryDevice : public QObject
{
    Q_OBJECT

private slots:
    void fedBytesAreAnnouncedAndRead();
    void unreadBytesWaitForTheNextRead();
    void fedBytesAreNotAnnouncedFromInsideAnAnnouncement();
    void closedDeviceHearsNothing();
    void writesAreHandedOnWhole();
};

void TstMemoryDevice::fedBytesAreAnnouncedAndRead()
{
    MemoryDevice port;
    port.open(QIODevice::ReadWrite);
    QSignalSpy announced(&port, &QIODevice::readyRead);

    port.feed("Version 0.90\r");
    port.feed(QByteArray("\n\0x", 3));
    QCOMPARE(announced.count(), 2);
    QCOMPARE(port.bytesAvailable(), 16);
    QCOMPARE(port.readAll(), QByteArray("Version 0.90\r\n\0x", 16));
    QCOMPARE(port.bytesAvailable(), 0);
}

void TstMemoryDevice::unreadBytesWaitForTheNextRead()
{
    MemoryDevice port;
    port.open(QIODevice::ReadWrite);
    port.feed("Raw Value ");
    port.feed("Mode On\r\n");
    QCOMPARE(port.read(4), QByteArray("Raw "));
    QCOMPARE(port.bytesAvailable(), 15);
    QCOMPARE(port.readAll(), QByteArray("Value Mode On\r\n"));
}

void TstMemoryDevice::fedBytesAreNotAnnouncedFromInsideAnAnnouncement()
{
    MemoryDevice port;
    port.open(QIODevice::ReadWrite);
    int announcements = 0;
    connect(&port, &QIODevice::readyRead, this, [&] {
        ++announcements;
        if (announcements == 1)
            port.feed("later");
    });

    port.feed("first");
    QCOMPARE(announcements, 1);
    QCOMPARE(port.readAll(), QByteArray("firstlater"));
    port.feed("!");
    QCOMPARE(announcements, 2);
}

void TstMemoryDevice::closedDeviceHearsNothing()
{
    MemoryDevice port;
    QSignalSpy announced(&port, &QIODevice::readyRead);
    port.feed("sv\r");
    QCOMPARE(announced.count(), 0);
    QCOMPARE(port.bytesAvailable(), 0);
}

void TstMemoryDevice::writesAreHandedOnWhole()
{
    MemoryDevice port;
    port.open(QIODevice::ReadWrite);
    QSignalSpy written(&port, &MemoryDevice::written);

    QCOMPARE(port.write("ic=07/04/26\r\r"), 13);
    QCOMPARE(port.write(QByteArray("a\0b", 3)), 3);
    QCOMPARE(written.count(), 2);
    QCOMPARE(written.at(0).at(0).toByteArray(), QByteArray("ic=07/04/26\r\r"));
    QCOMPARE(written.at(1).at(0).toByteArray(), QByteArray("a\0b", 3));
}

QTEST_GUILESS_MAIN(TstMemoryDevice)
#include "tst_memorydevice.moc"
