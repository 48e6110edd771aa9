#include "storage/cryptage.h"

#include "base/number_text.h"

#include <cmath>

namespace {

unsigned char Code(char ch) {
    return static_cast<unsigned char>(ch);
}
char Chr(int code) {
    return static_cast<char>(static_cast<unsigned char>(code));
}

// The input characters the four escape pairs stand for, in the tables' order.
const char kEscaped[4] = {'\'', '=', '+', '<'};

bool IsUnsafeCode(int code) {
    for (char unsafe : kUnsafeCharacters)
        if (Code(unsafe) == code)
            return true;
    return false;
}

// Pairs (a + r, r) back to a, for the pair code and the keyed cipher alike. A trailing odd
// character is ignored.
std::string DecodePairsOfCharacters(const std::string& t) {
    std::string plain;
    plain.reserve(t.size() / 2);
    for (size_t i = 0; i + 1 < t.size(); i += 2)
        plain.push_back(Chr((Code(t[i]) - Code(t[i + 1])) & 0xFF));
    return plain;
}

// Draws for the keyed cipher: a first draw over 0..255, then over 0..175 until a + r fits.
int DrawKeyedOffset(int a, RandomSource& random) {
    int r = static_cast<int>(NearestEven(255.0 * random.Uniform()));
    while (a + r > kPairCodeMaxCode)
        r = static_cast<int>(NearestEven(175.0 * random.Uniform()));
    return r;
}

// Int(x) for an index below `size`; kept inside the table even for a source that strays
// out of [0, 1).
size_t TableIndex(double scaled, size_t size) {
    if (!(scaled >= 0.0))
        return 0;
    if (scaled >= static_cast<double>(size))
        return size - 1;
    return static_cast<size_t>(scaled);
}

std::string XorWithKey(const std::string& text, const std::string& key) {
    std::string out;
    out.reserve(text.size());
    size_t p = 0;
    for (char ch : text) {
        out.push_back(Chr(Code(ch) ^ Code(key[p])));
        p = (p + 1) % key.size();
    }
    return out;
}

} // namespace

// Values chosen once, shared with the server; letters and digits only, so a payload never
// needs percent-encoding because of them.
const ProtocolCipherTables kProtocolTables = {
    {'k', 'X', '2', 'm', 'Q', '7', 'u', 'D', 'z', '5'},
    {'T', 'g', '4', 'w', 'B', 'p'},
    {'T', 'g', '4', 'w', 'B', 'p', 'Y', 's'},
    {{{'V', 'e'}, {'1', '9'}, {'n', 'r'}, {'H', 'F'}}},
    'x',
};

SystemRandomSource::SystemRandomSource() {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    engine_.seed(seed);
}

double SystemRandomSource::Uniform() {
    // 53 random bits scaled into [0, 1); never 1.0.
    return static_cast<double>(engine_() >> 11) * (1.0 / 9007199254740992.0);
}

RandomSource& DefaultRandomSource() {
    thread_local SystemRandomSource source;
    return source;
}


std::string EntierEnBinaire(int n) {
    if (n <= 1)
        return std::string(1, n == 1 ? '1' : '0');
    return EntierEnBinaire(n / 2) + static_cast<char>('0' + n % 2);
}

std::optional<int> BinaireEnEntier(const std::string& digits) {
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    int value = 0;
    for (char d : digits) {
        if (d != '0' && d != '1')
            return std::nullopt;
        value = value * 2 + (d - '0');
    }
    return value;
}

std::string TexteEnBinaire(const std::string& text) {
    std::string digits;
    digits.reserve(text.size() * 8);
    for (char ch : text) {
        std::string bits = EntierEnBinaire(Code(ch));
        digits.append(8 - bits.size(), '0');
        digits += bits;
    }
    return digits;
}

std::optional<std::string> BinaireEnTexte(const std::string& digits) {
    std::string text;
    text.reserve(digits.size() / 8 + 1);
    for (size_t i = 0; i < digits.size(); i += 8) {
        std::optional<int> code = BinaireEnEntier(digits.substr(i, 8));
        if (!code)
            return std::nullopt;
        text.push_back(Chr(*code));
    }
    return text;
}

bool PairesPeuventCoder(const std::string& text) {
    for (char ch : text)
        if (Code(ch) > kPairCodeMaxCode)
            return false;
    return true;
}

std::optional<std::string> CodePaires(const std::string& text, RandomSource& random) {
    if (!PairesPeuventCoder(text))
        return std::nullopt;
    std::string pairs;
    pairs.reserve(text.size() * 2);
    for (char ch : text) {
        int a = Code(ch);
        int r;
        do {
            r = static_cast<int>(NearestEven(175.0 * random.Uniform()));
        } while (a + r > kPairCodeMaxCode);
        pairs.push_back(Chr(a + r));
        pairs.push_back(Chr(r));
    }
    return TexteEnBinaire(pairs);
}

std::optional<std::string> DecodePairesStrict(const std::string& digits) {
    std::optional<std::string> t = BinaireEnTexte(digits);
    if (!t)
        return std::nullopt;
    return DecodePairsOfCharacters(*t);
}

std::string DecodePaires(const std::string& digits) {
    return DecodePairesStrict(digits).value_or(std::string());
}

std::optional<std::string> CrypteAvecClef(const std::string& text, const std::string& clef,
                                          RandomSource& random) {
    std::string key = DecodePaires(clef);
    if (key.empty())
        return std::nullopt;
    std::string mixed = XorWithKey(text, key);
    if (!PairesPeuventCoder(mixed))
        return std::nullopt;
    std::string pairs;
    pairs.reserve(mixed.size() * 2);
    for (char ch : mixed) {
        int a = Code(ch);
        int r = DrawKeyedOffset(a, random);
        pairs.push_back(Chr(a + r));
        pairs.push_back(Chr(r));
    }
    return TexteEnBinaire(pairs);
}

std::optional<std::string> DecrypteAvecClef(const std::string& digits, const std::string& clef) {
    std::string key = DecodePaires(clef);
    if (key.empty())
        return std::nullopt;
    std::optional<std::string> t = BinaireEnTexte(digits);
    if (!t)
        return std::nullopt;
    return XorWithKey(DecodePairsOfCharacters(*t), key);
}

std::string CrypteEnvoi(const std::string& text, RandomSource& random) {
    std::string out;
    out.reserve(text.size() * 3);
    for (char ch : text) {
        int a = Code(ch);
        double u1 = random.Uniform();
        double u2 = random.Uniform();
        int k = static_cast<int>(TableIndex((9.0 * u1 + 9.0 * u2) / 2.0, 9)) + 1; // 1 to 9
        out.push_back(Chr('0' + k + 25));                                         // "J" to "R"
        char filler;
        int s;
        if (a >= 78) {
            filler = kProtocolTables.high_fillers[TableIndex(10.0 * random.Uniform(), 10)];
            s = a - 3 * k;
        } else {
            filler = kProtocolTables.low_fillers[TableIndex(6.0 * random.Uniform(), 6)];
            s = a + 4 * k;
        }
        if (!IsUnsafeCode(s)) {
            out.push_back(filler);
            out.push_back(Chr(s));
            continue;
        }
        bool escaped = false;
        for (size_t e = 0; e < 4 && !escaped; ++e) {
            if (ch == kEscaped[e]) {
                out.push_back(kProtocolTables.escapes[e][0]);
                out.push_back(kProtocolTables.escapes[e][1]);
                escaped = true;
            }
        }
        if (!escaped) {
            out.push_back(kProtocolTables.pass_through);
            out.push_back(ch);
        }
    }
    return out;
}

std::optional<std::string> DecrypteEnvoi(const std::string& text) {
    std::string out;
    out.reserve(text.size() / 3);
    for (size_t p = 0; p + 3 <= text.size(); p += 3) {
        char shift = text[p];
        char marker = text[p + 1];
        char payload = text[p + 2];
        if (marker == kProtocolTables.pass_through) {
            out.push_back(payload);
            continue;
        }
        bool escaped = false;
        for (size_t e = 0; e < 4 && !escaped; ++e) {
            if (marker == kProtocolTables.escapes[e][0]) {
                out.push_back(kEscaped[e]);
                escaped = true;
            }
        }
        if (escaped)
            continue;
        int digit = Code(shift) - 25;
        if (digit < '0' || digit > '9')
            return std::nullopt;
        int k = digit - '0';
        bool low = false;
        for (char f : kProtocolTables.low_recognised)
            low = low || marker == f;
        int code = low ? Code(payload) - 4 * k : Code(payload) + 3 * k;
        if (code < 0 || code > 255)
            return std::nullopt;
        out.push_back(Chr(code));
    }
    return out;
}
