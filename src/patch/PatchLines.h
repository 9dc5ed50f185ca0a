#pragma once

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>

/// Lines held as one text, each followed by "\n": a line costs its bytes and
/// one more, where a container of strings costs some forty bytes a line
/// besides. A diff's change commands and the lines of the patch cache are
/// kept this way, so that their memory stays a small multiple of their text
/// however many lines there are.
class PatchLines {
public:
    /// Reads the lines in order, each as a string of its own.
    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string;

        const_iterator() = default;
        const_iterator(const std::string* text, std::size_t pos) : text_(text), pos_(pos) {}

        std::string operator*() const { return text_->substr(pos_, text_->find('\n', pos_) - pos_); }
        const_iterator& operator++()
        {
            pos_ = text_->find('\n', pos_) + 1;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& o) const { return pos_ == o.pos_; }
        bool operator!=(const const_iterator& o) const { return pos_ != o.pos_; }

    private:
        const std::string* text_ = nullptr;
        std::size_t pos_ = 0;
    };

    PatchLines() = default;
    PatchLines(std::initializer_list<std::string> lines);

    // Appends line; a "\n" inside it ends a line there, so it adds as many
    // lines as it holds line ends, plus one.
    void push_back(const std::string& line) { append(line.data(), line.size()); }
    // Appends the size bytes at data as a line (the same rule).
    void append(const char* data, std::size_t size);
    // Appends every line of other.
    void append(const PatchLines& other);

    void clear();
    bool empty() const { return text_.empty(); }
    // The number of lines.
    std::size_t size() const { return count_; }
    // Every line followed by "\n", in order.
    const std::string& text() const { return text_; }

    const_iterator begin() const { return const_iterator(&text_, 0); }
    const_iterator end() const { return const_iterator(&text_, text_.size()); }

    bool operator==(const PatchLines& o) const { return text_ == o.text_; }
    bool operator!=(const PatchLines& o) const { return text_ != o.text_; }

private:
    std::string text_;
    std::size_t count_ = 0;
};
