// The 2-set keyboard tables, their lookups, syllable composition into CP949 and
// the keystroke-run state machine. The CP949 mapping is built in (a bitmap of
// the KS X 1001 syllables) so the text is the same on every system and locale.
#include "reply/keystrokes.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "support/fields.h"
#include "support/wire.h"

namespace zpos {

namespace {

// Keys by jamo index. A zero byte marks a jamo typed as two keys (or final 0).
constexpr char kInitialLetters[19] = {'R', 'r', 'S', 'E', 'e', 'F', 'A', 'Q', 'q', 'T',
                                      't', 'D', 'W', 'w', 'C', 'Z', 'X', 'V', 'G'};
constexpr char kVowelLetters[21] = {'K', 'O', 'I', 'o', 'J', 'P', 'U', 'p', 'H', 0, 0,
                                    0,   'Y', 'N', 0,   0,   0,   'B', 'M', 0,   'L'};
constexpr char kFinalLetters[28] = {0,   'R', 'r', 0,   'S', 0,   0,   'E', 'F', 0,
                                    0,   0,   0,   0,   0,   0,   'A', 'Q', 0,   'T',
                                    't', 'D', 'W', 'C', 'Z', 'X', 'V', 'G'};
constexpr char kVowelPairs[21][3] = {"", "", "", "", "", "", "", "", "", "HK", "HO",
                                     "HL", "", "", "NJ", "NP", "NL", "", "", "ML", ""};
constexpr char kFinalPairs[28][3] = {"", "", "", "RT", "", "SW", "SG", "", "", "FR",
                                     "FA", "FQ", "FT", "FX", "FV", "FG", "", "", "QT", "",
                                     "", "", "", "", "", "", "", ""};

int find_letter(std::span<const char> letters, char letter) {
    if (letter == 0) return -1;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        if (letters[i] == letter) return static_cast<int>(i);
    }
    return -1;
}

template <std::size_t N>
int find_pair(const char (&pairs)[N][3], char first, char second) {
    if (first == 0 || second == 0) return -1;
    for (std::size_t i = 0; i < N; ++i) {
        if (pairs[i][0] == first && pairs[i][1] == second) return static_cast<int>(i);
    }
    return -1;
}

// Bit s is set when syllable U+AC00+s is one of the 2,350 KS X 1001 syllables.
// Those sit in rows 0xB0..0xC8, trail bytes 0xA1..0xFE, in Unicode order; the
// other 8,822 fill the extension cells of lead bytes 0x81..0xC6 in Unicode
// order, so a syllable's rank among its group gives its two bytes.
constexpr int kSyllableCount = 11172;
constexpr std::uint64_t kKsSyllables[175] = {
    0x1303B0113EFF0793ULL, 0x0593000011102801ULL, 0x3B019703B0111E7BULL, 0x306B959300A01112ULL,
    0x113032011102B051ULL, 0xB879300A011102B0ULL, 0x0080001030011306ULL, 0x93000011100B0113ULL,
    0x0593000000102B03ULL, 0x3B011323B051746BULL, 0x7000000000001030ULL, 0x111029001303B011ULL,
    0xB015300000012180ULL, 0x020000303001030EULL, 0x1300000010230111ULL, 0x0113030010106B81ULL,
    0x0000010030111013ULL, 0x3000000022B85530ULL, 0x113AFB079702B011ULL, 0x00000021011303B0ULL,
    0x03B011383B0D1B00ULL, 0x1300000111330113ULL, 0x00000100111C2B05ULL, 0x2A011300B0111000ULL,
    0x1010000102B01930ULL, 0x1030030111000000ULL, 0x0011146B07130230ULL, 0x8FB8F9742B051300ULL,
    0x00000000103B0113ULL, 0x01134AB0D9700000ULL, 0x000011030011103BULL, 0x100001112AB15930ULL,
    0x00100B0111010000ULL, 0x0000102B01130000ULL, 0x02A0111020000101ULL, 0x0102B05930210111ULL,
    0x011307B019300000ULL, 0x00000003B011383BULL, 0x383B0D1300000000ULL, 0x000010000103B011ULL,
    0x0010102001130000ULL, 0x0000011000000100ULL, 0x0002181130000000ULL, 0x0111000000100000ULL,
    0x0B01930000000023ULL, 0x302B011100301110ULL, 0x01303B0113C7B011ULL, 0xB011300000000280ULL,
    0x03B011302B011383ULL, 0x1102B011300A0011ULL, 0x0111010000002000ULL, 0x2B011302A011102BULL,
    0x3000000101000010ULL, 0x11302B0113029011ULL, 0xB0113000000066B0ULL, 0x07B0113A6B07D302ULL,
    0x1300000000200103ULL, 0x011303B011386B05ULL, 0x2B051B00000010B8ULL, 0x1000000003000110ULL,
    0x79700A011102A011ULL, 0x0000100A0111A2B0ULL, 0x0090111000011100ULL, 0x9300000000090111ULL,
    0x011322B0F9F2BB05ULL, 0x000000002001323BULL, 0x303B019306B05930ULL, 0x117000001123A011ULL,
    0x00001010001102B0ULL, 0x0000011003011301ULL, 0x01010010162B0793ULL, 0x0111020011300000ULL,
    0x00000000B0113029ULL, 0x383B05130EB05130ULL, 0x000001000303B011ULL, 0x0000103901930000ULL,
    0x000000003B000302ULL, 0x0000000000230113ULL, 0x0001000000100000ULL, 0x0000000290113020ULL,
    0x1000000000000000ULL, 0x0000030111020000ULL, 0xB079B02B01130000ULL, 0x02B011303B011323ULL,
    0x1343B0D9F0210111ULL, 0x011103B011303B01ULL, 0x20011322B0517020ULL, 0x300B011101901110ULL,
    0x0016AB019302B011ULL, 0xB011302101130100ULL, 0x02B0313029010302ULL, 0x1B42B81930000000ULL,
    0x0000033011383301ULL, 0x3305130000000020ULL, 0x0000000000001110ULL, 0x0130230593000001ULL,
    0x3011101000010100ULL, 0x0230113000000100ULL, 0x1100000010100001ULL, 0x8513020000000000ULL,
    0x2B01130010111003ULL, 0x303B011363B87730ULL, 0x7B30020111A2B091ULL, 0xF0D1702B011357F0ULL,
    0x0AB971301B0111E3ULL, 0x13029001303B0113ULL, 0x071302B011302B01ULL, 0x230113033011302BULL,
    0x30AB011302B01130ULL, 0x7130090111FEB411ULL, 0xB011307B05D347B8ULL, 0x0000111021015303ULL,
    0x1102B011306B0513ULL, 0x0513000000103301ULL, 0x30000102A01038EBULL, 0x3020001302B01110ULL,
    0x001010000102B071ULL, 0x1011100B01130000ULL, 0x000000002B011300ULL, 0x1303B095366B0593ULL,
    0x0000020001103B01ULL, 0x20000103B0113000ULL, 0x3000000001000010ULL, 0x00101001030AB011ULL,
    0x0000000301110100ULL, 0x0300001023011302ULL, 0x0100000010000000ULL, 0x0000029000100000ULL,
    0x7B01538630113000ULL, 0x0021015103B01130ULL, 0x11303B0113000000ULL, 0x00011010001102B0ULL,
    0x020011102B011302ULL, 0x0102B01110000000ULL, 0x000102B011300100ULL, 0x2B01110000011010ULL,
    0x002B011302101110ULL, 0x11302B0393000000ULL, 0x0000303B011302B0ULL, 0x03B0193000000002ULL,
    0x0103B011102B0113ULL, 0x011302B011300000ULL, 0x0001010200001021ULL, 0x102B011300000010ULL,
    0x1130200001020011ULL, 0x30113001011102B0ULL, 0x02B0113000000002ULL, 0x0103B011303B0313ULL,
    0x0513000000002000ULL, 0x10001102B011303BULL, 0x142B011300000110ULL, 0x0110000001000001ULL,
    0xB011300000010280ULL, 0x0000001010000102ULL, 0x9302101110230113ULL, 0x0113003011100B05ULL,
    0x3B011323B051702BULL, 0x3000000000000030ULL, 0x11102B011303B011ULL, 0xB011300A01010330ULL,
    0x0000000020000102ULL, 0x9300A01110000011ULL, 0x0000020000102B05ULL, 0x2901110090111000ULL,
    0x3000000000B01110ULL, 0x11302B211302B011ULL, 0x00000020000103B0ULL, 0x02B011302B051300ULL,
    0x13002011103B0113ULL, 0x0013028011322B21ULL, 0x0A011102A0113028ULL, 0x3021011102921130ULL,
    0x11302B0113020011ULL, 0x3011122B03D30290ULL, 0x000000002B011302ULL,
};

constexpr std::array<std::uint16_t, 175> kKsBefore = [] {
    std::array<std::uint16_t, 175> before{};
    int total = 0;
    for (std::size_t w = 0; w < before.size(); ++w) {
        before[w] = static_cast<std::uint16_t>(total);
        total += std::popcount(kKsSyllables[w]);
    }
    return before;
}();
static_assert(kKsBefore[174] + std::popcount(kKsSyllables[174]) == 2350);

// Extension cells: 178 under each lead 0x81..0xA0 (trail 0x41-0x5A, 0x61-0x7A,
// 0x81-0xFE), 84 under each lead from 0xA1 on (trail up to 0xA0 only).
constexpr int kWideLeads = 32;
constexpr int kWideCells = 178;
constexpr int kNarrowCells = 84;

unsigned char extension_trail(int cell) {
    if (cell < 26) return static_cast<unsigned char>(0x41 + cell);
    if (cell < 52) return static_cast<unsigned char>(0x61 + cell - 26);
    return static_cast<unsigned char>(0x81 + cell - 52);
}

void cp949_of(int s, char out[2]) {
    std::uint64_t word = kKsSyllables[s / 64];
    int bit = s % 64;
    int ks_rank = kKsBefore[s / 64] + std::popcount(word & ((std::uint64_t{1} << bit) - 1));
    if ((word >> bit) & 1) {
        out[0] = static_cast<char>(0xB0 + ks_rank / 94);
        out[1] = static_cast<char>(0xA1 + ks_rank % 94);
        return;
    }
    int e = s - ks_rank;
    int lead = 0;
    int cell = 0;
    if (e < kWideLeads * kWideCells) {
        lead = 0x81 + e / kWideCells;
        cell = e % kWideCells;
    } else {
        e -= kWideLeads * kWideCells;
        lead = 0xA1 + e / kNarrowCells;
        cell = e % kNarrowCells;
    }
    out[0] = static_cast<char>(lead);
    out[1] = static_cast<char>(extension_trail(cell));
}

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_consonant(char c) { return initial_index(c) >= 0; }
bool is_vowel_letter(char c) { return vowel_index(c) >= 0; }

// The run state machine. A syllable is pending from its initial consonant on;
// emitting it writes its CP949 bytes and empties the state.
class RunConverter {
public:
    RunConverter(std::span<const char> keys, std::span<char> out) : keys_(keys), out_(out) {}

    int run() {
        const int k = static_cast<int>(keys_.size());
        while (i_ < k) {
            char x = keys_[i_];
            if (!is_letter(x)) {
                if (state_ == State::kVowel) emit(0);
                out_.put(x);
                ++i_;
                continue;
            }
            switch (state_) {
                case State::kEmpty: open(x); break;
                case State::kInitial: take_vowel(x); break;
                case State::kVowel: close(x); break;
            }
        }
        return static_cast<int>(out_.size());
    }

private:
    enum class State { kEmpty, kInitial, kVowel };

    char key(int j) const { return j < static_cast<int>(keys_.size()) ? keys_[j] : '\0'; }
    int following() const { return static_cast<int>(keys_.size()) - 1 - i_; }

    void emit(int final_consonant) {
        char bytes[3];
        int n = syllable(initial_, vowel_, final_consonant, bytes);
        out_.put(std::string_view(bytes, static_cast<std::size_t>(n)));
        state_ = State::kEmpty;
    }

    // A syllable opens with a consonant; any other letter cannot and passes.
    void open(char x) {
        initial_ = initial_index(x);
        if (initial_ < 0) {
            out_.put(x);
        } else {
            state_ = State::kInitial;
        }
        ++i_;
    }

    // The pending consonant waits for its vowel: a letter that is no vowel
    // passes unchanged, as non-letters do.
    void take_vowel(char x) {
        if (!is_vowel_letter(x)) {
            out_.put(x);
            ++i_;
            return;
        }
        if (following() == 0) {
            vowel_ = vowel_index(x);
            emit(0);
            ++i_;
            return;
        }
        char y = key(i_ + 1);
        if (is_vowel_letter(y)) {
            int pair = compound_vowel_index(x, y);
            if (pair >= 0) {
                vowel_ = pair;
                state_ = State::kVowel;
                i_ += 2;
                if (i_ == static_cast<int>(keys_.size())) emit(0);
                return;
            }
            // No such compound: x alone is the vowel, y then cannot close it.
        }
        vowel_ = vowel_index(x);
        state_ = State::kVowel;
        ++i_;
    }

    // x after a complete vowel: a final consonant, one of a compound final, or
    // the opening consonant of the next syllable.
    void close(char x) {
        if (!is_consonant(x)) {
            emit(0);  // x is looked at again with nothing pending and passes
            return;
        }
        char y = key(i_ + 1);
        char z = key(i_ + 2);
        int after = following();
        if (after >= 2) {
            if (is_consonant(y) && is_consonant(z)) return close_pair(x, y);
            if (is_consonant(y)) return is_vowel_letter(z) ? close_single(x) : close_pair(x, y);
        } else if (after == 1) {
            if (is_consonant(y)) return close_pair(x, y);
        } else {
            return close_single(x);
        }
        // x is a consonant and y is not.
        if (!is_letter(y)) return close_single(x);
        emit(0);  // x opens the next syllable
    }

    void close_pair(char x, char y) {
        int pair = compound_final_index(x, y);
        if (pair < 0) return close_single(x);
        emit(pair);
        i_ += 2;
    }

    // A key that cannot be a final (e, q, w) ends the syllable and passes.
    void close_single(char x) {
        int f = final_index(x);
        if (f < 0) {
            emit(0);
            out_.put(x);
        } else {
            emit(f);
        }
        ++i_;
    }

    std::span<const char> keys_;
    Writer out_;
    State state_ = State::kEmpty;
    int initial_ = 0;
    int vowel_ = 0;
    int i_ = 0;
};

}  // namespace

int initial_index(char letter) { return find_letter(kInitialLetters, letter); }
int vowel_index(char letter) { return find_letter(kVowelLetters, letter); }
int final_index(char letter) { return find_letter(kFinalLetters, letter); }
int compound_vowel_index(char first, char second) { return find_pair(kVowelPairs, first, second); }
int compound_final_index(char first, char second) { return find_pair(kFinalPairs, first, second); }

int syllable(int initial, int vowel, int final_consonant, char out[3]) {
    out[0] = '\0';
    if (initial < 0 || initial >= 19 || vowel < 0 || vowel >= 21 || final_consonant < 0 ||
        final_consonant >= 28) {
        return 0;
    }
    int s = (initial * 21 + vowel) * 28 + final_consonant;
    static_assert((18 * 21 + 20) * 28 + 27 == kSyllableCount - 1);
    cp949_of(s, out);
    out[2] = '\0';
    return 2;
}

int convert_run(int count, RunBuffer& run) {
    std::size_t k = count < 0 ? 0 : static_cast<std::size_t>(count);
    if (k > kRunCapacity) k = kRunCapacity;
    std::array<char, kRunCapacity> keys;
    std::memcpy(keys.data(), run.data(), k);
    run.fill('\0');
    RunConverter converter(std::span<const char>(keys.data(), k), std::span<char>(run.data(), kRunCapacity));
    return converter.run();
}

int convert_keystrokes(char* message, int length) {
    if (length < 2) return 0;
    std::size_t n = static_cast<std::size_t>(length);
    if (n > kMessageCapacity) n = kMessageCapacity;

    // The text never outgrows what it replaces; the writer holds it to the
    // input length all the same.
    std::array<char, kMessageCapacity> out;
    Writer text(std::span<char>(out.data(), n));
    RunBuffer run{};
    int run_count = 0;
    bool in_run = false;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        char b = message[i];
        if (b == wire::kSO) {
            in_run = true;
        } else if (b == wire::kSI) {
            int len = convert_run(run_count, run);
            text.put(std::string_view(run.data(), static_cast<std::size_t>(len)));
            run.fill('\0');
            run_count = 0;
            in_run = false;
        } else if (in_run) {
            // Keystrokes past the run's capacity are dropped.
            if (run_count < static_cast<int>(kRunCapacity)) run[static_cast<std::size_t>(run_count++)] = b;
        } else {
            text.put(b);
        }
    }
    std::memcpy(message, out.data(), text.size());
    return static_cast<int>(text.size());
}

}  // namespace zpos
