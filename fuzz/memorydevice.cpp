#include "memorydevice.h"

#include <QPointer>
#include <algorithm>
#include <cstring>

MemoryDevice::MemoryDevice(QObject *parent)
    : QIODevice(parent)
{ }

void MemoryDevice::feed(const QByteArray &bytes)
{
    // A closed port hears nothing.
    if (!isOpen() || bytes.isEmpty())
        return;
    m_unread.append(bytes);
    // A serial port never announces again from inside a slot still handling its announcement
    // (a message box's event loop, say); the bytes wait for the next one.
    if (m_announcing)
        return;
    m_announcing = true;
    const QPointer<MemoryDevice> self(this);
    emit readyRead();
    if (self)
        m_announcing = false;
}

bool MemoryDevice::isSequential() const
{
    return true;
}

qint64 MemoryDevice::bytesAvailable() const
{
    return m_unread.size() + QIODevice::bytesAvailable();
}

qint64 MemoryDevice::readData(char *data, qint64 maxSize)
{
    const qint64 count = std::min<qint64>(maxSize, m_unread.size());
    std::memcpy(data, m_unread.constData(), static_cast<size_t>(count));
    emit taken(m_unread.left(count));
    m_unread.remove(0, count);
    return count;
}

qint64 MemoryDevice::writeData(const char *data, qint64 size)
{
    emit written(QByteArray(data, size));
    return size;
}
