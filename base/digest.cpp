#include "base/digest.h"

#include <string.h>

namespace {

uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

uint32_t LoadBe32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
uint32_t LoadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void StoreBe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}
void StoreLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

void Sha1Transform(uint32_t state[5], const uint8_t block[64]) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) w[i] = LoadBe32(block + 4 * i);
    for (int i = 16; i < 80; ++i) w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5a827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ed9eba1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8f1bbcdc;
        } else {
            f = b ^ c ^ d;
            k = 0xca62c1d6;
        }
        uint32_t t = Rotl(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = Rotl(b, 30);
        b = a;
        a = t;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

// Shared block buffering of both digests: fills `buffer`, compressing each full block.
template <typename Transform>
void AddBytes(uint8_t buffer[64], uint64_t* byteCount, const void* data, size_t size, Transform transform) {
    const uint8_t* in = static_cast<const uint8_t*>(data);
    size_t used = size_t(*byteCount % 64);
    *byteCount += size;
    while (size > 0) {
        size_t take = 64 - used < size ? 64 - used : size;
        memcpy(buffer + used, in, take);
        used += take;
        in += take;
        size -= take;
        if (used == 64) {
            transform(buffer);
            used = 0;
        }
    }
}

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Appends the 4 characters of a group of 1 to 3 bytes, padded with "=".
void AppendGroup(const uint8_t* p, size_t n, std::string* out) {
    uint32_t v = uint32_t(p[0]) << 16;
    if (n > 1) v |= uint32_t(p[1]) << 8;
    if (n > 2) v |= p[2];
    out->push_back(kBase64Alphabet[(v >> 18) & 63]);
    out->push_back(kBase64Alphabet[(v >> 12) & 63]);
    out->push_back(n > 1 ? kBase64Alphabet[(v >> 6) & 63] : '=');
    out->push_back(n > 2 ? kBase64Alphabet[v & 63] : '=');
}

constexpr size_t kGroupsPerLine = 19;

}  // namespace

void Sha1Init(Sha1Context* ctx) {
    static const uint32_t kInit[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0};
    memcpy(ctx->state, kInit, sizeof(kInit));
    ctx->byteCount = 0;
    memset(ctx->buffer, 0, sizeof(ctx->buffer));
}

void Sha1Update(Sha1Context* ctx, const void* data, size_t size) {
    AddBytes(ctx->buffer, &ctx->byteCount, data, size,
             [ctx](const uint8_t* block) { Sha1Transform(ctx->state, block); });
}

void Sha1Final(Sha1Context* ctx, uint8_t digest[20]) {
    uint64_t bits = ctx->byteCount * 8;
    static const uint8_t kPad[64] = {0x80};
    size_t used = size_t(ctx->byteCount % 64);
    Sha1Update(ctx, kPad, used < 56 ? 56 - used : 120 - used);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i) length[i] = uint8_t(bits >> (56 - 8 * i));
    Sha1Update(ctx, length, 8);
    for (int i = 0; i < 5; ++i) StoreBe32(digest + 4 * i, ctx->state[i]);
}

std::array<uint8_t, 20> Sha1(const std::string& bytes) {
    Sha1Context ctx;
    Sha1Init(&ctx);
    Sha1Update(&ctx, bytes.data(), bytes.size());
    std::array<uint8_t, 20> digest;
    Sha1Final(&ctx, digest.data());
    return digest;
}

void Md5Init(Md5Context* ctx) {
    ctx->state[0] = 0x67452301;
    ctx->state[1] = 0xefcdab89;
    ctx->state[2] = 0x98badcfe;
    ctx->state[3] = 0x10325476;
    ctx->byteCount = 0;
    memset(ctx->buffer, 0, sizeof(ctx->buffer));
}

void Md5Transform(uint32_t state[4], const uint8_t block[64]) {
    // Per-step shift amounts and the sine-derived constants of RFC 1321, round by round.
    static const int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    static const uint32_t kSine[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLe32(block + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        int round = i / 16;
        uint32_t f;
        int g;
        switch (round) {
            case 0: f = (b & c) | (~b & d); g = i; break;
            case 1: f = (b & d) | (c & ~d); g = (5 * i + 1) % 16; break;
            case 2: f = b ^ c ^ d; g = (3 * i + 5) % 16; break;
            default: f = c ^ (b | ~d); g = (7 * i) % 16; break;
        }
        uint32_t t = d;
        d = c;
        c = b;
        b = b + Rotl(a + f + kSine[i] + x[g], kShift[round][i % 4]);
        a = t;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

void Md5Update(Md5Context* ctx, const void* data, size_t size) {
    AddBytes(ctx->buffer, &ctx->byteCount, data, size,
             [ctx](const uint8_t* block) { Md5Transform(ctx->state, block); });
}

void Md5Final(Md5Context* ctx, uint8_t digest[16]) {
    uint64_t bits = ctx->byteCount * 8;
    static const uint8_t kPad[64] = {0x80};
    size_t used = size_t(ctx->byteCount % 64);
    Md5Update(ctx, kPad, used < 56 ? 56 - used : 120 - used);
    // The length goes straight into the block, so the byte counter does not include it.
    for (int i = 0; i < 8; ++i) ctx->buffer[56 + i] = uint8_t(bits >> (8 * i));
    Md5Transform(ctx->state, ctx->buffer);
    for (int i = 0; i < 4; ++i) StoreLe32(digest + 4 * i, ctx->state[i]);
}

std::array<uint8_t, 16> Md5(const std::string& bytes) {
    Md5Context ctx;
    Md5Init(&ctx);
    Md5Update(&ctx, bytes.data(), bytes.size());
    std::array<uint8_t, 16> digest;
    Md5Final(&ctx, digest.data());
    return digest;
}

std::string HexLower(const void* data, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    const uint8_t* p = static_cast<const uint8_t*>(data);
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text.push_back(kDigits[p[i] >> 4]);
        text.push_back(kDigits[p[i] & 15]);
    }
    return text;
}

std::string Base64Encode(const std::string& bytes) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data());
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) AppendGroup(p + i, bytes.size() - i < 3 ? bytes.size() - i : 3, &text);
    return text;
}

bool Base64Decode(const std::string& text, std::string* bytes) {
    bytes->clear();
    if (text.size() % 4 != 0) return false;
    size_t padding = 0;
    if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        uint32_t v = 0;
        for (size_t j = 0; j < 4; ++j) {
            size_t pos = i + j;
            int value = Base64Value(text[pos]);
            if (value < 0) {
                if (pos < text.size() - padding) return false;  // "=" before the end, or a foreign character
                value = 0;
            }
            v = (v << 6) | uint32_t(value);
        }
        size_t groupBytes = i + 4 == text.size() ? 3 - padding : 3;
        for (size_t j = 0; j < groupBytes; ++j) out.push_back(char(uint8_t(v >> (16 - 8 * j))));
    }
    bytes->swap(out);
    return true;
}

size_t Base64LinesEstimate(size_t size) {
    size_t n = 4 * size / 3 + size % 3;
    size_t rest = n % 76;
    if (rest != 0 && rest % 4 != 0) n += 4 - n % 4;
    return n + 2 * (n / 76 + 1);
}

// Complete groups 19 to a line, each line closed by CR LF, the last (possibly empty) run of groups
// closed too, then the very last CR LF taken back; the padded final group follows directly. So 57
// bytes end with CR LF and 56 bytes give 72 characters and a padded group.
bool Base64EncodeLines(const std::string& bytes, size_t capacity, std::string* text) {
    if (Base64LinesEstimate(bytes.size()) > capacity) return false;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t groups = bytes.size() / 3;
    std::string out;
    out.reserve(Base64LinesEstimate(bytes.size()));
    for (size_t g = 0; g < groups; ++g) {
        AppendGroup(p + 3 * g, 3, &out);
        if ((g + 1) % kGroupsPerLine == 0) out += "\r\n";
    }
    out += "\r\n";
    out.resize(out.size() - 2);
    if (bytes.size() % 3) AppendGroup(p + 3 * groups, bytes.size() % 3, &out);
    if (out.size() > capacity) return false;
    text->swap(out);
    return true;
}
