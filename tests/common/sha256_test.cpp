// SHA-256 against published digests, across the lengths where the padding
// spills into a second block, and fed in pieces of any size.
#include "sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string digestOf(const std::string &message, size_t piece)
{
    Sha256 hash;
    sha256Begin(&hash);
    for (size_t at = 0; at < message.size(); at += piece) {
        std::string part = message.substr(at, piece);
        sha256Add(&hash, reinterpret_cast<const BYTE *>(part.data()), static_cast<DWORD>(part.size()));
    }
    BYTE digest[SHA256_SIZE];
    sha256End(&hash, digest);
    static const char HEX[] = "0123456789abcdef";
    std::string text;
    for (BYTE byte : digest)
        text += std::string{HEX[byte >> 4], HEX[byte & 15]};
    return text;
}

} // namespace

TEST(Sha256, PublishedDigests)
{
    const struct {
        std::string message;
        const char *digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message.size());
        for (size_t piece : {size_t(1), size_t(63), size_t(4096)})
            EXPECT_EQ(c.digest, digestOf(c.message, piece)) << "in pieces of " << piece;
    }
}
