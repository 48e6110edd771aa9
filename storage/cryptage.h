// Cryptage: the program's reversible text ciphers.
//
// All texts are single-byte code page 1252 text held in std::string, one byte per
// character (character code = unsigned byte value 0 to 255).
//
//  - the protocol cipher CrypteEnvoi / DecrypteEnvoi: keyless, randomised, three
//    URL-safe characters per input character; shared with the server's decoder;
//  - the keyed cipher CrypteAvecClef / DecrypteAvecClef, for the totals data file;
//  - the pair code CodePaires / DecodePaires, for the key and password files and to turn
//    the stored key into the six-character plain key;
//  - the binary-text conversions TexteEnBinaire / BinaireEnTexte ("0"/"1" digits,
//    8 per character, most significant first).
//
// Nothing here throws. Operations that cannot carry their input say so through an
// empty optional instead of looping forever or producing a garbled text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

// Source of the uniform draws u in [0, 1) the randomised ciphers consume. Tests inject a
// scripted source to make every draw, and so every output, deterministic.
class RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual double Uniform() = 0; // in [0, 1)
};

// A Mersenne Twister seeded from the system's entropy source.
class SystemRandomSource : public RandomSource {
  public:
    SystemRandomSource();
    double Uniform() override;

  private:
    std::mt19937_64 engine_;
};

// One system source per thread, so that the server's worker threads may share the code.
RandomSource& DefaultRandomSource();

// ---- Binary text -----------------------------------------------------------------------

// Binary digits of n (0 to 255) without leading zeros, most significant first; "0" for 0.
std::string EntierEnBinaire(int n);
// Sum of the digits weighted 1, 2, 4, ... from the right. Empty when a character is not
// "0" or "1", when there are more than 8 digits, or when there are none.
std::optional<int> BinaireEnEntier(const std::string& digits);
// Each character as exactly 8 digits. "abc" -> "011000010110001001100011".
std::string TexteEnBinaire(const std::string& text);
// Groups of 8 digits from the left (a final shorter group is converted the same way), one
// character per group. Empty when a character is not "0" or "1".
std::optional<std::string> BinaireEnTexte(const std::string& digits);

// ---- Pair code -------------------------------------------------------------------------

// Highest character code the pair code (and the keyed cipher after its XOR step) can
// carry.
constexpr int kPairCodeMaxCode = 175;
// True when every character has a code of 0 to 175.
bool PairesPeuventCoder(const std::string& text);

// Binary text of 16 digits per input character. Empty when a character's code is above
// 175 (such a text cannot be encoded).
std::optional<std::string> CodePaires(const std::string& text,
                                      RandomSource& random = DefaultRandomSource());
// The text back. Empty optional when the digits are not a binary text.
std::optional<std::string> DecodePairesStrict(const std::string& digits);
// The same, with a text that is not binary decoding to the empty text. "0" -> "".
std::string DecodePaires(const std::string& digits);

// ---- Keyed cipher ----------------------------------------------------------------------

// Binary text of 16 digits per input character. `clef` is the stored (pair-coded) key.
// Empty when the plain key is empty or when a character after the XOR step has a code
// above 175.
std::optional<std::string> CrypteAvecClef(const std::string& text, const std::string& clef,
                                          RandomSource& random = DefaultRandomSource());
// Empty when the digits are not a binary text or the plain key is empty.
std::optional<std::string> DecrypteAvecClef(const std::string& digits, const std::string& clef);

// ---- Protocol cipher -------------------------------------------------------------------

// The tables the protocol cipher shares with the server's decoder. The pass-through
// marker, the escape markers, the high fillers and the low filler recognition set are
// pairwise distinct, and none of them (nor an escape tail) is an unsafe character.
struct ProtocolCipherTables {
    std::array<char, 10> high_fillers;  // second character when the input code is 78 or more
    std::array<char, 6> low_fillers;    // second character when the input code is below 78
    std::array<char, 8> low_recognised; // the low fillers and two more, as the decoder sees
    // Marker and tail replacing a triplet for "'", "=", "+", "<", in that order.
    std::array<std::array<char, 2>, 4> escapes;
    char pass_through; // marks a triplet carrying its input character unchanged
};
extern const ProtocolCipherTables kProtocolTables;

// The characters that must not appear in a query string payload: & = / \ ? ' + <
inline constexpr std::array<char, 8> kUnsafeCharacters = {'&', '=', '/', '\\', '?', '\'', '+', '<'};

// Three characters per input character.
std::string CrypteEnvoi(const std::string& text, RandomSource& random = DefaultRandomSource());
// One character per complete triplet; a shorter tail is ignored. Empty optional when a
// triplet could not have come from CrypteEnvoi (unknown shift letter, or a code that
// falls outside 0 to 255).
std::optional<std::string> DecrypteEnvoi(const std::string& text);
