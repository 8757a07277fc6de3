#pragma once

#include <QString>

// Codes the two stored PDF passwords: Blowfish in CFB-8 (the output has as
// many bytes as the input) keyed from a fixed key text, written as two
// upper-case hexadecimal digits per byte.
class PasswordCipher {
public:
    explicit PasswordCipher(const QString& keyText = DefaultKeyText());

    static QString DefaultKeyText();

    // Empty text gives empty text.
    QString EncodeToHex(const QString& plain) const;
    // Raises std::invalid_argument for text that is not valid hexadecimal
    // or does not decode to a password.
    QString DecodeFromHex(const QString& hex) const;

private:
    unsigned char m_key[32];
};
