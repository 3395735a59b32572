#ifndef SHA256_H
#define SHA256_H

#include <QByteArray>
#include <QByteArrayView>

struct evp_md_ctx_st;

// SHA-256 by OpenSSL's libcrypto, which uses the processor's own SHA instructions where it has
// them: checking a million events' chain hashes most of their bytes, several times faster than
// Qt's portable implementation.
class Sha256
{
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256 &) = delete;
    Sha256 &operator=(const Sha256 &) = delete;

    void addData(QByteArrayView bytes);
    // The digest of everything added; the hash is spent afterwards.
    QByteArray result();

private:
    evp_md_ctx_st *m_context;
};

QByteArray sha256Of(QByteArrayView bytes);

#endif
