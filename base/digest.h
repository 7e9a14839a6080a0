#pragma once
#include <stddef.h>
#include <stdint.h>

#include <array>
#include <string>

// Message digests, hexadecimal text and Base64 over byte buffers. Plain functions; a context holds
// the state of one digest computation and nothing else.

// SHA-1 (FIPS 180-4).
struct Sha1Context {
    uint32_t state[5];
    uint64_t byteCount;
    uint8_t buffer[64];
};
void Sha1Init(Sha1Context* ctx);
void Sha1Update(Sha1Context* ctx, const void* data, size_t size);
void Sha1Final(Sha1Context* ctx, uint8_t digest[20]);
std::array<uint8_t, 20> Sha1(const std::string& bytes);

// MD5 (RFC 1321). The pieces are public because the machine identifier drives them itself:
// Md5Final pads and compresses without resetting the context, so a second call finalises again.
struct Md5Context {
    uint32_t state[4];
    uint64_t byteCount;  // bytes added through Md5Update (the padding counts, the length field not)
    uint8_t buffer[64];
};
void Md5Init(Md5Context* ctx);
// The compression function over one 64-byte block.
void Md5Transform(uint32_t state[4], const uint8_t block[64]);
void Md5Update(Md5Context* ctx, const void* data, size_t size);
// Pads with 0x80 and zeros to 56 mod 64, appends the bit count (little-endian) and writes the state.
void Md5Final(Md5Context* ctx, uint8_t digest[16]);
std::array<uint8_t, 16> Md5(const std::string& bytes);

// Each byte as two lower-case hexadecimal digits, no separators.
std::string HexLower(const void* data, size_t size);

// Base64, single line (RFC 4648 alphabet, "=" padding, no line breaks).
std::string Base64Encode(const std::string& bytes);
// Strict: the length must be a multiple of 4, "=" only as the last one or two characters, nothing
// outside the alphabet. An empty text decodes to no bytes.
bool Base64Decode(const std::string& text, std::string* bytes);

// Base64 in lines of 76 characters separated by CR LF (see Base64EncodeLines in digest.cpp for the
// exact layout). Fails, writing nothing, when the length estimate exceeds `capacity` characters.
bool Base64EncodeLines(const std::string& bytes, size_t capacity, std::string* text);
// The length the line encoder reserves for `size` bytes.
size_t Base64LinesEstimate(size_t size);
