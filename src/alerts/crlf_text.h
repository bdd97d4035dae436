#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace orvalis {

/// The length of `text` once every "\n" is written as "\r\n".
constexpr std::size_t CrLfSize(std::string_view text) {
    return text.size() + static_cast<std::size_t>(std::ranges::count(text, '\n'));
}

/// Text whose lines end in "\r\n", made while compiling from text whose lines end in "\n", so a
/// page template can stay readable line by line in its source file.
template <std::size_t Size>
class CrLfText {
   public:
    /// Copies `text`, putting "\r" before each "\n"; `Size` must be CrLfSize(text).
    consteval explicit CrLfText(std::string_view text) {
        std::size_t at = 0;
        for (const char c : text) {
            if (c == '\n') chars_[at++] = '\r';
            chars_[at++] = c;
        }
    }

    /// The converted text.
    constexpr std::string_view View() const { return std::string_view(chars_.data(), Size); }

   private:
    std::array<char, Size> chars_{};
};

}  // namespace orvalis
