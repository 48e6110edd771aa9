#include "base/number_text.h"
#include "storage/cryptage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

// Plays back the given draws, cycling, so every cipher output is known.
struct ScriptedRandom : RandomSource {
    explicit ScriptedRandom(std::vector<double> d) : draws(std::move(d)) {}
    double Uniform() override { return draws[count++ % draws.size()]; }
    std::vector<double> draws;
    size_t count = 0;
};

std::string AllCodesUpTo(int last) {
    std::string text;
    for (int c = 0; c <= last; ++c)
        text.push_back(static_cast<char>(c));
    return text;
}

std::string Bytes(std::initializer_list<int> codes) {
    return std::string(codes.begin(), codes.end());
}

bool IsUnsafe(char ch) {
    return std::count(kUnsafeCharacters.begin(), kUnsafeCharacters.end(), ch) != 0;
}

} // namespace

TEST(Cryptage, BinaryTextConversionsAndHalvesToEven) {
    EXPECT_EQ(TexteEnBinaire("abc"), "011000010110001001100011");
    EXPECT_EQ(EntierEnBinaire(0), "0");
    EXPECT_EQ(EntierEnBinaire(6), "110");
    EXPECT_EQ(BinaireEnEntier("00000110"), 6);
    const std::string all = AllCodesUpTo(255);
    EXPECT_EQ(BinaireEnTexte(TexteEnBinaire(all)).value_or(""), all);
    EXPECT_EQ(BinaireEnTexte("0110000111").value_or("?"), Bytes({0x61, 3})); // short last group
    // Anything but "0" and "1" is refused, never weighted into a code above 255.
    EXPECT_FALSE(BinaireEnTexte("01100002"));
    EXPECT_FALSE(BinaireEnTexte("0110 001"));
    EXPECT_FALSE(BinaireEnEntier("222222222"));
    EXPECT_FALSE(BinaireEnEntier(""));

    const std::pair<double, int> halves[] = {{0.5, 0},     {1.5, 2},    {87.5, 88},
                                             {174.5, 174}, {2.4999, 2}, {2.5001, 3}};
    for (auto [x, even] : halves)
        EXPECT_EQ(NearestEven(x), even) << x;
}

TEST(Cryptage, PairCodeDrawsExactlyAndRoundTrips) {
    // u = 0.5 -> r = nearest(87.5) = 88; "A" (65) -> (153, 88).
    ScriptedRandom half({0.5});
    EXPECT_EQ(CodePaires("A", half).value_or(""), TexteEnBinaire(Bytes({153, 88})));
    EXPECT_EQ(half.count, 1u);
    // Code 170: r = 88 does not fit (258 > 175), the next draw 0.02 -> nearest(3.5) = 4.
    ScriptedRandom redraw({0.5, 0.02});
    EXPECT_EQ(CodePaires(Bytes({170}), redraw).value_or(""), TexteEnBinaire(Bytes({174, 4})));
    EXPECT_EQ(redraw.count, 2u);

    for (const std::string& text : {std::string(), AllCodesUpTo(175), std::string("ABCDEF")}) {
        std::optional<std::string> coded = CodePaires(text);
        ASSERT_TRUE(coded);
        EXPECT_EQ(coded->size(), text.size() * 16);
        EXPECT_EQ(DecodePaires(*coded), text);
    }
    EXPECT_NE(CodePaires("secret-password").value(), CodePaires("secret-password").value());
    // Codes 176 to 255 cannot be carried: refused, not looped over or garbled.
    EXPECT_FALSE(CodePaires("caf\xE9"));
    EXPECT_FALSE(PairesPeuventCoder(Bytes({176})));

    for (const char* bad : {"0", "", "not binary"})
        EXPECT_EQ(DecodePaires(bad), "") << bad;
    EXPECT_FALSE(DecodePairesStrict("0101x"));
    // A pair whose second code is the larger wraps modulo 256 instead of failing.
    EXPECT_EQ(DecodePaires(TexteEnBinaire(Bytes({1, 2}))), Bytes({255}));
}

TEST(Cryptage, KeyedCipherDrawsExactlyRoundTripsAndRefuses) {
    std::string clef = CodePaires("ABCDEF").value();
    // "1" (49) XOR "A" (65) = 112; first draw nearest(255 * 0.5) = 128 -> 240 > 175,
    // redrawn over 175: nearest(175 * 0.2) = 35 -> (147, 35).
    ScriptedRandom draws({0.5, 0.2});
    EXPECT_EQ(CrypteAvecClef("1", clef, draws).value_or(""), TexteEnBinaire(Bytes({147, 35})));
    EXPECT_EQ(draws.count, 2u);
    EXPECT_EQ(DecrypteAvecClef(TexteEnBinaire(Bytes({147, 35})), clef).value_or(""), "1");

    clef = CodePaires("Zq7#kP").value();
    for (const std::string& t : {std::string(), AllCodesUpTo(127), std::string("12'0'-5'AB'35")}) {
        std::optional<std::string> digits = CrypteAvecClef(t, clef);
        ASSERT_TRUE(digits);
        EXPECT_EQ(digits->size(), t.size() * 16);
        EXPECT_EQ(DecrypteAvecClef(*digits, clef).value_or("?"), t);
    }
    // Every code 0 to 175 at every key position: back unchanged, or refused exactly when the
    // XOR step leaves the pair code's range.
    const std::string key = "Zq7#kP";
    for (size_t at = 0; at < key.size(); ++at) {
        for (int code = 0; code <= kPairCodeMaxCode; ++code) {
            const std::string text = std::string(at, '\x01') + static_cast<char>(code);
            std::optional<std::string> digits = CrypteAvecClef(text, clef);
            const bool fits = (code ^ static_cast<unsigned char>(key[at])) <= kPairCodeMaxCode;
            ASSERT_EQ(digits.has_value(), fits) << at << " " << code;
            if (digits) {
                ASSERT_EQ(DecrypteAvecClef(*digits, clef).value_or("?"), text) << code;
            }
        }
    }
    // A XOR beyond 175 is refused (31 ^ 160 = 191); no plain key, no cipher.
    EXPECT_FALSE(CrypteAvecClef(Bytes({31}), CodePaires(Bytes({160})).value()));
    EXPECT_FALSE(CrypteAvecClef("1", "0"));
    EXPECT_FALSE(DecrypteAvecClef("0101", "0"));
    EXPECT_FALSE(DecrypteAvecClef("01012", clef));
}

TEST(Cryptage, ProtocolTablesMeetTheirConstraints) {
    const ProtocolCipherTables& t = kProtocolTables;
    std::vector<char> distinct(t.high_fillers.begin(), t.high_fillers.end());
    distinct.insert(distinct.end(), t.low_recognised.begin(), t.low_recognised.end());
    for (const auto& e : t.escapes) {
        distinct.push_back(e[0]);
        EXPECT_FALSE(IsUnsafe(e[1])) << e[1];
    }
    distinct.push_back(t.pass_through);
    EXPECT_EQ(std::set<char>(distinct.begin(), distinct.end()).size(), distinct.size());
    for (char ch : distinct)
        EXPECT_FALSE(IsUnsafe(ch)) << ch;
    for (size_t i = 0; i < t.low_fillers.size(); ++i)
        EXPECT_EQ(t.low_fillers[i], t.low_recognised[i]);
}

TEST(Cryptage, ProtocolCipherDrawsExactly) {
    ScriptedRandom mid({0.5});
    // k = Int(9 / 2) + 1 = 5 -> "N"; low filler [3]; s = 65 + 20 = 85 ("U").
    EXPECT_EQ(CrypteEnvoi("A", mid), std::string("N") + kProtocolTables.low_fillers[3] + "U");
    EXPECT_EQ(mid.count, 3u);
    ScriptedRandom zero({0.0});
    // k = 1: "z" (122) -> high filler [0], s = 119 ("w").
    EXPECT_EQ(CrypteEnvoi("z", zero), std::string("J") + kProtocolTables.high_fillers[0] + "w");
    // "'" + 4 = "+" is unsafe: escape pair 1; "#" + 4 = "'" is unsafe: passed through.
    EXPECT_EQ(CrypteEnvoi("'", zero).substr(1),
              std::string(kProtocolTables.escapes[0].begin(), kProtocolTables.escapes[0].end()));
    EXPECT_EQ(CrypteEnvoi("#", zero), std::string("J") + kProtocolTables.pass_through + "#");
}

TEST(Cryptage, ProtocolCipherIsSafeAndReversibleForEveryCode) {
    EXPECT_EQ(CrypteEnvoi(""), "");
    const std::string all = AllCodesUpTo(255);
    for (int round = 0; round < 100; ++round) {
        std::string sent = CrypteEnvoi(all);
        ASSERT_EQ(sent.size(), all.size() * 3);
        for (size_t p = 0; p < sent.size(); p += 3)
            for (size_t i = p; sent[p + 1] != kProtocolTables.pass_through && i < p + 3; ++i)
                ASSERT_FALSE(IsUnsafe(sent[i])) << "input code " << p / 3;
        ASSERT_EQ(DecrypteEnvoi(sent).value_or("?"), all);
    }
}

TEST(Cryptage, ProtocolDecoderRefusesWhatTheCipherCannotProduce) {
    const char low = kProtocolTables.low_fillers[0];
    const char high = kProtocolTables.high_fillers[0];
    EXPECT_EQ(DecrypteEnvoi("").value_or("?"), "");
    // A trailing incomplete triplet is ignored.
    EXPECT_EQ(DecrypteEnvoi(std::string("J") + low + "E" + "Jx").value_or("?"), "A");
    EXPECT_FALSE(DecrypteEnvoi(std::string("a") + low + "E"));     // not a shift letter
    EXPECT_FALSE(DecrypteEnvoi(std::string("R") + low + "\x01"));  // 1 - 36 < 0
    EXPECT_FALSE(DecrypteEnvoi(std::string("R") + high + "\xFF")); // 255 + 27 > 255
    EXPECT_EQ(DecrypteEnvoi(std::string("?") + kProtocolTables.pass_through + "&").value_or(""),
              "&");
}
