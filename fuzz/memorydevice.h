#ifndef MEMORYDEVICE_H
#define MEMORYDEVICE_H

#include <QByteArray>
#include <QIODevice>

// A port in memory, for driving the dialog without hardware: the fixture's bytes are fed in by
// the caller and announced with readyRead(), and what the dialog writes is handed on at once.
class MemoryDevice : public QIODevice
{
    Q_OBJECT

public:
    explicit MemoryDevice(QObject *parent = nullptr);

    // Bytes arriving from the fixture. Like a serial port, an open device that is not read keeps
    // them for the next read.
    void feed(const QByteArray &bytes);

    bool isSequential() const override;
    qint64 bytesAvailable() const override;

signals:
    void written(const QByteArray &bytes);
    void taken(const QByteArray &bytes); // read by the dialog

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    QByteArray m_unread;
    bool m_announcing = false;
};

#endif
