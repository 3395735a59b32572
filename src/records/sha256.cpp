#include "sha256.h"

#include <openssl/evp.h>

namespace {
// Fetched once: looking the algorithm up in OpenSSL's providers for every event would cost
// as much as hashing it.
const EVP_MD *algorithm()
{
    static EVP_MD *const fetched = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    return fetched;
}
}

Sha256::Sha256()
    : m_context(EVP_MD_CTX_new())
{
    if (!m_context || !algorithm() || EVP_DigestInit_ex(m_context, algorithm(), nullptr) != 1)
        qFatal("OpenSSL's SHA-256 is not available");
}

Sha256::~Sha256()
{
    EVP_MD_CTX_free(m_context);
}

void Sha256::addData(QByteArrayView bytes)
{
    EVP_DigestUpdate(m_context, bytes.data(), size_t(bytes.size()));
}

QByteArray Sha256::result()
{
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context, reinterpret_cast<unsigned char *>(digest.data()), &length);
    digest.truncate(int(length));
    return digest;
}

QByteArray sha256Of(QByteArrayView bytes)
{
    Sha256 hash;
    hash.addData(bytes);
    return hash.result();
}
