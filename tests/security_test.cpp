// The ZigBee cryptography against the published test vectors, and the keys as
// the user types them.

#include "security/ccm_cipher.h"
#include "security/install_code.h"
#include "security/key_ring.h"
#include "security/key_text.h"
#include "security/mmo_hash.h"

#include <gtest/gtest.h>

#include <vector>

namespace qlm {
namespace {

std::vector<uint8_t> run(uint8_t first, uint8_t last) {
    std::vector<uint8_t> bytes;
    for (int value = first; value <= last; ++value)
        bytes.push_back(static_cast<uint8_t>(value));
    return bytes;
}

Key128 key128(const std::vector<uint8_t>& bytes) {
    Key128 key{};
    std::copy(bytes.begin(), bytes.end(), key.begin());
    return key;
}

// The published ZigBee CCM* example: level 6, an 8-byte MIC.
TEST(ZigBeeCrypto, CcmStarExampleEncryptsAndDecryptsAndRefusesATamperedFrame) {
    const CcmCipher cipher(key128(run(0xC0, 0xCF)));
    const CcmCipher::Nonce nonce = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6,
                                    0xA7, 0x03, 0x02, 0x01, 0x00, 0x06};
    const std::vector<uint8_t> header = run(0x00, 0x07);
    const std::vector<uint8_t> plaintext = run(0x08, 0x1E);
    const std::vector<uint8_t> expected = {
        0x1A, 0x55, 0xA3, 0x6A, 0xBB, 0x6C, 0x61, 0x0D, 0x06, 0x6B, 0x33, 0x75, 0x64, 0x9C, 0xEF, 0x10,
        0xD4, 0x66, 0x4E, 0xCA, 0xD8, 0x54, 0xA8, 0x0A, 0x89, 0x5C, 0xC1, 0xD8, 0xFF, 0x94, 0x69};

    std::vector<uint8_t> sealed(plaintext.size() + 8);
    cipher.encrypt(nonce, header, plaintext, sealed.data(), {sealed.data() + plaintext.size(), 8});
    EXPECT_EQ(sealed, expected);

    std::vector<uint8_t> opened(plaintext.size());
    const std::span<const uint8_t> body(expected.data(), plaintext.size());
    const std::span<const uint8_t> mic(expected.data() + plaintext.size(), 8);
    ASSERT_TRUE(cipher.decrypt(nonce, header, body, mic, opened.data()));
    EXPECT_EQ(opened, plaintext);

    std::vector<uint8_t> tampered = expected;
    tampered[3] ^= 0x01;
    EXPECT_FALSE(cipher.decrypt(nonce, header, {tampered.data(), plaintext.size()}, mic,
                                opened.data()));
    std::vector<uint8_t> otherHeader = header;
    otherHeader[0] = 0x80;
    EXPECT_FALSE(cipher.decrypt(nonce, otherHeader, body, mic, opened.data()));
}

TEST(ZigBeeCrypto, AnEmptyPayloadIsAuthenticatedByItsMic) {
    const CcmCipher cipher(key128(run(0x10, 0x1F)));
    const CcmCipher::Nonce nonce{};
    const std::vector<uint8_t> header = {1, 2, 3};
    uint8_t mic[4];
    cipher.encrypt(nonce, header, {}, nullptr, mic);
    EXPECT_TRUE(cipher.decrypt(nonce, header, {}, mic, nullptr));
    mic[0] ^= 0x80;
    EXPECT_FALSE(cipher.decrypt(nonce, header, {}, mic, nullptr));
}

TEST(ZigBeeCrypto, MmoHashMatchesThePublishedVectors) {
    EXPECT_EQ(keyHex(mmoHash(std::vector<uint8_t>{0xC0})), "AE3A102A28D43EE0D4A09E22788B206C");
    EXPECT_EQ(keyHex(mmoHash(run(0xC0, 0xCF))), "A7977E88BC0B61E8210827109A228F2D");
    std::vector<uint8_t> long8191(8191);
    for (size_t i = 0; i < long8191.size(); ++i)
        long8191[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(keyHex(mmoHash(long8191)), "24EC2FE75BBFFCB34789BC0610E7F165");
}

TEST(ZigBeeCrypto, KeyedHashAndTheKeysDerivedFromTheDefaultLinkKey) {
    EXPECT_EQ(keyHex(keyedHash(key128(run(0x40, 0x4F)), std::vector<uint8_t>{0xC0})),
              "4512807BF94CB3400F0E2C25FB76E999");
    EXPECT_EQ(keyHex(keyTransportKey(wellKnownLinkKey().key)), "4BAB0F173E1434A2D572E1C1EF478782");
    EXPECT_NE(keyLoadKey(wellKnownLinkKey().key), keyTransportKey(wellKnownLinkKey().key));
}

TEST(ZigBeeCrypto, InstallCodeExampleGivesItsLinkKeyAndABadCrcIsNamed) {
    const KeyText key = parseKeyText("install:83FED3407A939723A5C639B26916D505C3B5");
    ASSERT_TRUE(key.key) << key.error;
    EXPECT_EQ(keyHex(key.key->key), "66B6900981E1EE3CA4206B6B861C02BB");
    EXPECT_EQ(key.key->kind, KeyKind::kInstallCode);
    EXPECT_EQ(installCodeCrc(std::vector<uint8_t>{'1', '2', '3', '4', '5', '6', '7', '8', '9'}),
              0x906E);  // the CRC-16/X.25 check value

    const KeyText wrongCrc = parseKeyText("install:83FED3407A939723A5C639B26916D505C3B6");
    EXPECT_FALSE(wrongCrc.key);
    EXPECT_NE(wrongCrc.error.find("83FED3407A939723A5C639B26916D505C3B6"), std::string::npos);
    EXPECT_NE(wrongCrc.error.find("CRC"), std::string::npos);
    const KeyText wrongLength = parseKeyText("install:0102030405060708091011");
    EXPECT_NE(wrongLength.error.find("6, 8, 12 or 16 bytes"), std::string::npos) << wrongLength.error;
}

TEST(KeyText, HexWithSeparatorsAndALabel) {
    const KeyText spaced = parseKeyText(" 5a 69 67 42-65:65:41:6c.6c 69 61 6e 63 65 30 39 ");
    ASSERT_TRUE(spaced.key) << spaced.error;
    EXPECT_EQ(spaced.key->key, wellKnownLinkKey().key);
    EXPECT_EQ(spaced.key->label, "Key 5A696742");

    const KeyText labelled = parseKeyText("01:02:03:04:05:06:07:08:09:0A:0B:0C:0D:0E:0F:10:home net");
    ASSERT_TRUE(labelled.key) << labelled.error;
    EXPECT_EQ(keyHex(labelled.key->key), "0102030405060708090A0B0C0D0E0F10");
    EXPECT_EQ(labelled.key->label, "home net");
    const KeyText hexLookingLabel = parseKeyText("0102030405060708090A0B0C0D0E0F10:beef");
    ASSERT_TRUE(hexLookingLabel.key) << hexLookingLabel.error;
    EXPECT_EQ(hexLookingLabel.key->label, "beef");
}

TEST(KeyText, BadKeysAreNamedWithWhatIsWrong) {
    struct Case {
        const char* text;
        const char* says;
    } cases[] = {
        {"0102030405060708090A0B0C0D0E0F", "16 bytes, not 15"},
        {"0102030405060708090A0B0C0D0E0F1011", "16 bytes, not 17"},
        {"ZigBeeAlliance09", "not hex"},
        {"0102030405060708090A0B0C0D0E0F1", "not hex"},
        {"", "not hex"},
    };
    for (const Case& c : cases) {
        const KeyText key = parseKeyText(c.text);
        EXPECT_FALSE(key.key) << c.text;
        EXPECT_EQ(key.error.rfind(std::string("Key \"") + c.text + "\"", 0), 0u) << key.error;
        EXPECT_NE(key.error.find(c.says), std::string::npos) << key.error;
    }
}

TEST(KeyText, AKeyListSkipsCommentsAndNamesBadLines) {
    const KeyLines lines = parseKeyLines(
        "# keys of the lab\n\n0102030405060708090A0B0C0D0E0F10:lab\nnonsense\n"
        "install:83FED3407A939723A5C639B26916D505C3B5\n",
        "keys.txt");
    ASSERT_EQ(lines.keys.size(), 2u);
    EXPECT_EQ(lines.keys[0].label, "lab");
    EXPECT_EQ(lines.keys[0].origin, "keys.txt");
    ASSERT_EQ(lines.errors.size(), 1u);
    EXPECT_EQ(lines.errors[0], "keys.txt, line 4: Key \"nonsense\": not hex");
}

TEST(KeyRing, HoldsTheWellKnownKeyAndEachKeyOnce) {
    KeyRing ring;
    ASSERT_EQ(ring.size(), 1);
    EXPECT_EQ(ring.key(0).label, "ZigBeeAlliance09");
    EXPECT_FALSE(ring.remove(0));

    const uint64_t before = ring.revision();
    const int added = ring.add(*parseKeyText("0102030405060708090A0B0C0D0E0F10").key);
    EXPECT_EQ(added, 1);
    EXPECT_GT(ring.revision(), before);
    EXPECT_EQ(ring.add(*parseKeyText("01020304 05060708 090A0B0C 0D0E0F10:again").key), 1);
    EXPECT_EQ(ring.size(), 2);
    EXPECT_EQ(ring.key(1).label, "Key 01020304");
    EXPECT_EQ(ring.add(wellKnownLinkKey()), 0);
    EXPECT_TRUE(ring.remove(1));
    EXPECT_EQ(ring.size(), 1);
}

// A key learnt from a capture goes with it, unless someone gave the same key.
TEST(KeyRing, AKeyGivenAfterItWasLearntStaysWhenTheCaptureGoes) {
    KeyRing ring;
    RingKey learnt = *parseKeyText("0102030405060708090A0B0C0D0E0F10").key;
    learnt.learntAtFrame = 41;
    learnt.origin = "frame 42";
    learnt.sequence = 3;
    RingKey other = *parseKeyText("1112131415161718191A1B1C1D1E1F20").key;
    other.learntAtFrame = 7;
    ring.add(learnt);
    ring.add(other);
    EXPECT_EQ(ring.add(*parseKeyText("0102030405060708090A0B0C0D0E0F10:mine").key), 1);
    EXPECT_EQ(ring.key(1).label, "mine");
    EXPECT_EQ(ring.key(1).sequence, 3);
    ring.forgetLearnt();
    ASSERT_EQ(ring.size(), 2);
    EXPECT_EQ(ring.key(1).origin, "user");
}

} // namespace
} // namespace qlm
