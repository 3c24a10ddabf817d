#pragma once
// A text the programs show, kept as what it says rather than in which words: message ids
// with their arguments, and literal pieces (a file name, a number). It is put into words
// when shown, in the language in use then, so that one computation serves a Japanese
// check and an English file alike.

#include <string>
#include <vector>

namespace platecam {

class Text {
public:
    Text() = default;
    // A piece shown as it is (a path, a key, a number already written).
    static Text Literal(std::string text);
    // A message id with its arguments: "%1", "%2", ... or the first "%s" / "%d".
    static Text Message(const char* id, std::vector<Text> arguments = {});
    // Arguments shown as they are.
    static Text Message(const char* id, std::initializer_list<std::string> arguments);

    Text& operator+=(const Text& other);
    friend Text operator+(Text a, const Text& b) { return a += b; }

    bool empty() const { return pieces_.empty(); }
    // The words in the language in use.
    std::string Render() const;

private:
    struct Piece {
        const char* id = nullptr;  // null: a literal
        std::string literal;
        std::vector<Text> arguments;
    };
    std::vector<Piece> pieces_;
};

}  // namespace platecam
