#include "core/PasswordCipher.h"

#include <nettle/blowfish.h>
#include <nettle/cfb.h>
#include <nettle/sha2.h>

#include <QByteArray>
#include <QStringDecoder>

#include <cstring>
#include <stdexcept>

namespace {

struct Blowfish {
    blowfish_ctx ctx;
    uint8_t iv[BLOWFISH_BLOCK_SIZE];

    explicit Blowfish(const unsigned char* key)
    {
        blowfish_set_key(&ctx, 32, key);
        // The initialisation vector is the encrypted zero block.
        const uint8_t zero[BLOWFISH_BLOCK_SIZE] = {};
        blowfish_encrypt(&ctx, BLOWFISH_BLOCK_SIZE, iv, zero);
    }
};

}  // namespace

PasswordCipher::PasswordCipher(const QString& keyText)
{
    const QByteArray bytes = keyText.toUtf8();
    sha256_ctx sha;
    sha256_init(&sha);
    sha256_update(&sha, size_t(bytes.size()), reinterpret_cast<const uint8_t*>(bytes.constData()));
    sha256_digest(&sha, sizeof m_key, m_key);
}

QString PasswordCipher::DefaultKeyText() { return QStringLiteral("{5E0D1A77-3C29-4F8B-9A62-D07C41E5B3F0}"); }

QString PasswordCipher::EncodeToHex(const QString& plain) const
{
    if (plain.isEmpty())
        return {};
    const QByteArray in = plain.toUtf8();
    QByteArray out(in.size(), '\0');
    Blowfish bf(m_key);
    cfb8_encrypt(&bf.ctx, reinterpret_cast<nettle_cipher_func*>(blowfish_encrypt), BLOWFISH_BLOCK_SIZE, bf.iv,
                 size_t(in.size()), reinterpret_cast<uint8_t*>(out.data()),
                 reinterpret_cast<const uint8_t*>(in.constData()));
    return QString::fromLatin1(out.toHex().toUpper());
}

QString PasswordCipher::DecodeFromHex(const QString& hex) const
{
    if (hex.isEmpty())
        return {};
    if (hex.size() % 2 != 0)
        throw std::invalid_argument("odd number of hexadecimal digits");
    for (QChar c : hex) {
        const char l = c.toLatin1();
        if (c.unicode() > 127 || !std::isxdigit(static_cast<unsigned char>(l)))
            throw std::invalid_argument("not hexadecimal text");
    }
    const QByteArray in = QByteArray::fromHex(hex.toLatin1());
    QByteArray out(in.size(), '\0');
    Blowfish bf(m_key);
    cfb8_decrypt(&bf.ctx, reinterpret_cast<nettle_cipher_func*>(blowfish_encrypt), BLOWFISH_BLOCK_SIZE, bf.iv,
                 size_t(in.size()), reinterpret_cast<uint8_t*>(out.data()),
                 reinterpret_cast<const uint8_t*>(in.constData()));
    auto decoder = QStringDecoder(QStringDecoder::Utf8);
    QString text = decoder.decode(out);
    if (decoder.hasError() || text.contains(QChar(0)))
        throw std::invalid_argument("the value does not decode to a password");
    return text;
}
