#include "base/text.h"

#include "base/language.h"

namespace platecam {

Text Text::Literal(std::string text) {
    Text t;
    if (!text.empty()) t.pieces_.push_back(Piece{nullptr, std::move(text), {}});
    return t;
}

Text Text::Message(const char* id, std::vector<Text> arguments) {
    Text t;
    t.pieces_.push_back(Piece{id, {}, std::move(arguments)});
    return t;
}

Text Text::Message(const char* id, std::initializer_list<std::string> arguments) {
    std::vector<Text> texts;
    for (const std::string& a : arguments) texts.push_back(Literal(a));
    return Message(id, std::move(texts));
}

Text& Text::operator+=(const Text& other) {
    pieces_.insert(pieces_.end(), other.pieces_.begin(), other.pieces_.end());
    return *this;
}

std::string Text::Render() const {
    std::string out;
    for (const Piece& p : pieces_) {
        if (!p.id) {
            out += p.literal;
            continue;
        }
        const std::string pattern = Tr(p.id);
        std::vector<std::string> arguments;
        for (const Text& a : p.arguments) arguments.push_back(a.Render());
        // "%s" and "%d" (the window's messages) take the first argument once; "%1".."%9"
        // take theirs wherever a translation puts them.
        bool positional = false;
        for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
            positional = positional || (pattern[i] == '%' && pattern[i + 1] >= '1' && pattern[i + 1] <= '9');
        }
        if (!positional) {
            std::string text = pattern;
            for (const char* hole : {"%s", "%d"}) {
                const auto at = text.find(hole);
                if (at != std::string::npos && !arguments.empty()) {
                    text.replace(at, 2, arguments.front());
                    break;
                }
            }
            out += text;
            continue;
        }
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            const char c = pattern[i];
            if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
                const std::size_t k = static_cast<std::size_t>(pattern[i + 1] - '1');
                if (k < arguments.size()) {
                    out += arguments[k];
                    ++i;
                    continue;
                }
            }
            out += c;
        }
    }
    return out;
}

}  // namespace platecam
