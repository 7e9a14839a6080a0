#pragma once
#include <stdint.h>

#include <string>
#include <vector>

// Symmetric text ciphers that turn short texts into printable Base64 and back. Callers bring the key
// text; nothing is logged here (callers log).

// Blowfish (Schneier's published algorithm). The P-array and S-boxes are allocated with the object.
class CBlowfish {
public:
    // Key schedule: the standard initial tables (hexadecimal digits of pi) mixed with `key`; key bytes
    // beyond the 72nd are not used, an empty key leaves the initial P-array as it is.
    explicit CBlowfish(const std::string& key);
    // One 64-bit block as two big-endian 32-bit halves.
    void EncryptBlock(uint32_t* left, uint32_t* right) const;
    void DecryptBlock(uint32_t* left, uint32_t* right) const;
    // ECB over whole 8-byte blocks in place (`bytes` must be a multiple of 8 long).
    void Encrypt(std::string* bytes) const;
    void Decrypt(std::string* bytes) const;

private:
    uint32_t F(uint32_t x) const;
    std::vector<uint32_t> m_p;  // 18 words
    std::vector<uint32_t> m_s;  // 4 x 256 words
};

// Blowfish ECB with zero padding, single-line Base64. False on an empty text.
bool BlowfishEncrypt(const std::string& text, const std::string& key, std::string* base64);
// False on an empty or undecodable text; the zero padding stays at the end of `bytes`.
bool BlowfishDecrypt(const std::string& base64, const std::string& key, std::string* bytes);

// Wide forms: text and key go through UTF-8. Failure gives an empty string.
std::wstring EncryptText(const std::wstring& text, const std::wstring& key);
// The deciphered bytes are read as UTF-8 up to the first zero byte.
std::wstring DecryptText(const std::wstring& base64, const std::wstring& key);

// DES (FIPS 46-3) in ECB mode with PKCS#5 padding, multi-line Base64 of at most 1024 characters.
// The key is the first 8 bytes of the UTF-8 key text (parity bits ignored). Empty on failure: an
// empty text, a key shorter than 8 bytes, a cipher text over 1024 bytes or a Base64 text over 1024
// characters.
std::wstring DesEncryptText(const std::wstring& text, const std::wstring& key);

// One DES block (bytes in the standard bit order) under an 8-byte key; exposed for the test vectors.
uint64_t DesEncryptBlock(uint64_t block, uint64_t key);
