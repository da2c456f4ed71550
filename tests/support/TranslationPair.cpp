#include "TranslationPair.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

namespace quorvex::test {
namespace {

constexpr double kZipfExponent = 0.85;

// A language: words of lengths between shortest and longest, the k-th used
// in proportion to 1/k^s, as words are in natural text (Zipf's law); with
// s = 0.85 the text repeats itself about as much as a game's script does.
class Language {
public:
    Language(std::mt19937& rng, std::size_t words, int shortest, int longest) {
        std::uniform_int_distribution<int> length(shortest, longest), letter('a', 'z');
        std::vector<double> weights;
        for (std::size_t i = 0; i < words; ++i) {
            std::string word;
            for (int k = length(rng); k > 0; --k) word += static_cast<char>(letter(rng));
            m_words.push_back(word);
            weights.push_back(std::pow(static_cast<double>(i + 1), -kZipfExponent));
        }
        m_pick = std::discrete_distribution<std::size_t>(weights.begin(), weights.end());
    }

    // Capitalised words and a full stop, at most limit bytes.
    std::string Sentence(std::mt19937& rng, std::size_t limit) const {
        std::string text;
        for (;;) {
            const std::string next = (text.empty() ? "" : " ") + m_words[m_pick(rng)];
            if (text.size() + next.size() + 1 > limit) break;
            text += next;
        }
        if (!text.empty()) text[0] = static_cast<char>(text[0] - 'a' + 'A');
        return text.size() < limit ? text + "." : text;
    }

private:
    std::vector<std::string> m_words;
    mutable std::discrete_distribution<std::size_t> m_pick;
};

// Fills the text area with strings, one per pointer, and writes each one's
// offset in the area into the pointer table.
void WriteText(std::vector<std::uint8_t>& image, const Language& language, std::mt19937& rng,
               const TranslationPairOptions& options, std::size_t tableAt, std::size_t textAt) {
    const std::size_t average = options.textBytes / options.pointers;
    std::uniform_int_distribution<std::size_t> length(average / 2, average * 3 / 2 - 1);
    std::size_t at = 0;
    for (std::size_t k = 0; k < options.pointers; ++k) {
        const std::size_t left = options.textBytes - at;
        const std::size_t wanted = k + 1 == options.pointers ? left : std::min(length(rng), left);
        const std::string text = wanted == 0 ? "" : language.Sentence(rng, wanted - 1);
        image[tableAt + 2 * k] = static_cast<std::uint8_t>(at);
        image[tableAt + 2 * k + 1] = static_cast<std::uint8_t>(at >> 8);
        std::copy(text.begin(), text.end(), image.begin() + static_cast<std::ptrdiff_t>(textAt + at));
        at += text.size();
        if (at < options.textBytes) image[textAt + at++] = 0;
    }
}

}  // namespace

TranslationPair MakeTranslationPair(const TranslationPairOptions& options) {
    std::mt19937 rng(options.seed);
    TranslationPair pair;
    pair.original.resize(options.imageBytes);
    for (auto& byte : pair.original) byte = static_cast<std::uint8_t>(rng());
    pair.translated = pair.original;
    const std::size_t tableAt = options.imageBytes / 8, textAt = options.imageBytes / 4;
    const Language before(rng, 4000, 2, 9), after(rng, 4000, 3, 11);
    WriteText(pair.original, before, rng, options, tableAt, textAt);
    WriteText(pair.translated, after, rng, options, tableAt, textAt);
    return pair;
}

}  // namespace quorvex::test
