#include "login/LoginSequence.h"

#include <gtest/gtest.h>

TEST(LoginRules, Sha256IsLowerCaseHexOverUtf8) {
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256Hex(QString::fromUtf8("ă")),
              "817789243c880b917385edcc706add33c1bc42fc0422d967e66ddbc29926b798")
        << "hashed over the UTF-8 bytes c4 83";
}

TEST(LoginRules, JasProtocolFollowsThe8080Substring) {
    const std::pair<const char*, const char*> cases[] = {
        {"10.0.0.5:8080", "http"},
        {"rap.firma.ro:18080/jas", "http"},
        {"180801", "http"},
        {"rap.firma.ro:8443", "https"},
        {"", "https"},
        {"808", "https"},
    };
    for (const auto& [address, protocol] : cases)
        EXPECT_EQ(jasProtocol(address), protocol) << address;
}
