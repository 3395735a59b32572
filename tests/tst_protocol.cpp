#include "portaccess.h"
#include "protocol.h"

#include <QTest>

// How replies are cut into values, and which ports are offered.
class ProtocolTest : public QObject
{
    Q_OBJECT

private slots:

    void cutRules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("value");
        QTest::newRow("after '=' untrimmed")
            << "equals" << QByteArray("Serial Number = 1047\r\n") << " 1047\r\n";
        QTest::newRow("after the first '=' only")
            << "equals" << QByteArray("A=B=C\r\n") << "B=C\r\n";
        QTest::newRow("no '=' keeps all") << "equals" << QByteArray("abc\r\n") << "abc\r\n";
        QTest::newRow("version after its n")
            << "version" << QByteArray("Version 0.87\r\n") << " 0.87\r\n";
        QTest::newRow("version cut at the first n")
            << "version" << QByteArray("in Version 1\r\n") << " Version 1\r\n";
        QTest::newRow("text ends at NUL") << "equals" << QByteArray("SN=51\0007\r\n", 9) << "51";
        QTest::newRow("reading before p")
            << "reading" << QByteArray("  118pS/m, Cond\r\n") << "118";
        QTest::newRow("reading without p is whole")
            << "reading" << QByteArray(" 2.9 C \r\n") << "2.9 C";
        QTest::newRow("reading keeps blank before p")
            << "reading" << QByteArray("603 pS/m C\r\n") << "603 ";
        QTest::newRow("sample before comma")
            << "sample" << QByteArray(" 1002,Counts\r\n") << "1002";
    }

    void cutRules()
    {
        QFETCH(QString, rule);
        QFETCH(QByteArray, reply);
        QFETCH(QString, value);
        if (rule == QLatin1String("equals"))
            QCOMPARE(valueAfterEquals(reply), value);
        else if (rule == QLatin1String("version"))
            QCOMPARE(versionText(reply), value);
        else if (rule == QLatin1String("reading"))
            QCOMPARE(readingText(reply), value);
        else
            QCOMPARE(sampleText(reply), value);
    }

    void slopeIsShownAsItsNumber_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("slope");
        QTest::newRow("below one, as ever") << QByteArray("MC = 0.99812\r\n") << "0.99812\r\n";
        QTest::newRow("one and more") << QByteArray("MC = 1.745200\r\n") << "1.745200\r\n";
        QTest::newRow("ten and more") << QByteArray("MC = 10.5\r\n") << "10.5\r\n";
        QTest::newRow("negative") << QByteArray("MC = -0.969556\r\n") << "-0.969556\r\n";
        QTest::newRow("no blank after keyword") << QByteArray("MC =2.5\r\n") << "2.5\r\n";
        QTest::newRow("keeps what follows") << QByteArray("MC = 0.5\r\nBC\r\n") << "0.5\r\nBC\r\n";
        QTest::newRow("no number: from 0. on") << QByteArray("MC = x 0.75\r\n") << "0.75\r\n";
        QTest::newRow("nothing readable: whole") << QByteArray("MC = ?\r\n") << "MC = ?\r\n";
    }

    void slopeIsShownAsItsNumber()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, slope);
        QCOMPARE(slopeText(reply), slope);
    }

    void measurementReadingIsExactAtEveryCut_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("sinceCommand");
        QTest::addColumn<QString>("value");
        const QByteArray plainNotice = "Sampling\r\n";
        const QByteArray noticeLikeAReading = "Sampling COND, wait\r\n";
        struct Measurement
        {
            const char *name;
            QByteArray command, readingLine;
            QString value;
        };
        const Measurement measurements[] = {
            { "validation", "V2\r", "121pS/m, Cond\r\n", "121" },
            { "raw sample", "C1\r", "1002,Counts\r\n", "1002" },
        };
        for (const Measurement &m : measurements) {
            for (const QByteArray &notice : { plainNotice, noticeLikeAReading }) {
                const QByteArray framings[][2] = {
                    { "notice, reading", notice + m.readingLine },
                    { "echo line, notice, reading", m.command + '\n' + notice + m.readingLine },
                    { "echo with notice on its line, reading", m.command + notice + m.readingLine },
                    { "notice, blank, prompt, reading", notice + "\r\n> \r\n" + m.readingLine },
                };
                for (const auto &framing : framings)
                    QTest::addRow(
                        "%s: %s (%s)", m.name, framing[0].constData(), notice.trimmed().constData())
                        << m.command << framing[1] << m.value;
            }
        }
    }

    // Read boundaries fall anywhere, so every prefix of what the fixture sends is a state the
    // dialog may see: it may hold no reading yet, but never another one.
    void measurementReadingIsExactAtEveryCut()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, sinceCommand);
        QFETCH(QString, value);
        const bool raw = command.startsWith('C');
        const auto valueOf = [raw](const QByteArray &line) {
            return raw ? QString::number(sampleValue(line).value_or(-1)) : readingText(line);
        };
        for (qsizetype cut = 0; cut < sinceCommand.size(); ++cut) {
            const MeasurementReply early = readMeasurementReply(sinceCommand.left(cut), command);
            if (early.readingLine)
                QVERIFY2(valueOf(*early.readingLine) == value, qPrintable(QString::number(cut)));
        }
        const MeasurementReply whole = readMeasurementReply(sinceCommand, command);
        QVERIFY(whole.noticeArrived);
        QVERIFY(whole.readingLine);
        QCOMPARE(valueOf(*whole.readingLine), value);
    }

    void sampleValues_data()
    {
        QTest::addColumn<QByteArray>("readingLine");
        QTest::addColumn<int>("value"); // -1: cannot be read
        QTest::newRow("integer") << QByteArray(" 1002,Counts") << 1002;
        QTest::newRow("negative") << QByteArray("-7,Counts") << -7;
        QTest::newRow("largest") << QByteArray("2147483647,Counts") << 2147483647;
        QTest::newRow("letter for a digit") << QByteArray("1O0,Counts") << -1;
        QTest::newRow("decimal") << QByteArray("10.5,Counts") << -1;
        QTest::newRow("nothing before the comma") << QByteArray(",Counts") << -1;
        QTest::newRow("beyond 32 bits") << QByteArray("2147483648,Counts") << -1;
        QTest::newRow("cut short by NUL") << QByteArray("10\0000,Counts", 10) << -1;
        QTest::newRow("no comma") << QByteArray("1002 C") << -1;
        QTest::newRow("no comma, digit before a NUL") << QByteArray("5\0000Counts", 9) << -1;
    }

    void sampleValues()
    {
        QFETCH(QByteArray, readingLine);
        QFETCH(int, value);
        QCOMPARE(sampleValue(readingLine).value_or(-1), value);
    }

    void enumeratorNameFollowsTheDriver_data()
    {
        QTest::addColumn<int>("vendorId");
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("enumName");
        const auto row
            = [](const char *name, int vendor, const char *driver, const char *enumName) {
                  QTest::newRow(name) << vendor << QString(driver) << QString(enumName);
              };
        row("Windows FTDI vendor", 0x0403, "", "FTDIBUS");
        row("Windows other vendor", 0x067b, "", "");
        row("Linux ftdi_sio", 0x0403, "ftdi_sio", "FTDIBUS");
        row("Linux ftdi_sio without udev vendor", -1, "ftdi_sio", "FTDIBUS");
        row("Linux other driver claiming FTDI", 0x0403, "pl2303", "pl2303");
        row("nothing known", -1, "", "");
    }

    void enumeratorNameFollowsTheDriver()
    {
        QFETCH(int, vendorId);
        QFETCH(QString, driver);
        QFETCH(QString, enumName);
        const std::optional<quint16> vendor
            = vendorId < 0 ? std::nullopt : std::optional<quint16>(quint16(vendorId));
        QCOMPARE(enumeratorName(vendor, driver), enumName);
    }

    void onlyFtdiPortsAreOffered()
    {
        const QList<PortInfo> ports { { "COM3", "FTDIBUS" }, { "COM1", "ACPI" },
            { "COM7", "FTDIBUS" }, { "COM9", "ftdibus" }, { "COM4", "FTDIBUS2" } };
        QCOMPARE(ftdiPortNames(ports), (QStringList { "COM3", "COM7" }));
    }

    void portsAreOfferedInNaturalOrder()
    {
        QStringList names { "COM10", "ttyUSB10", "COM2", "ttyACM0", "ttyUSB2", "COM1", "ttyUSB02" };
        std::sort(names.begin(), names.end(), naturallyBefore);
        QCOMPARE(names,
            (QStringList {
                "COM1", "COM2", "COM10", "ttyACM0", "ttyUSB02", "ttyUSB2", "ttyUSB10" }));
    }
};

QTEST_GUILESS_MAIN(ProtocolTest)
#include "tst_protocol.moc"
