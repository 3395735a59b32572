#ifndef FUZZINPUT_H
#define FUZZINPUT_H

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>

// The fuzzer's bytes, taken from the front in order. An exhausted input reads as zeros, so every
// decision still has an answer when the bytes run out.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size)
        : m_data(data)
        , m_size(size)
    { }

    bool atEnd() const { return m_taken == m_size; }

    uint8_t takeByte() { return atEnd() ? 0 : m_data[m_taken++]; }

    QByteArray takeBytes(size_t count)
    {
        count = std::min(count, m_size - m_taken);
        const QByteArray bytes(
            reinterpret_cast<const char *>(m_data + m_taken), static_cast<qsizetype>(count));
        m_taken += count;
        return bytes;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_taken = 0;
};

#endif
