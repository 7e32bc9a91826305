// A small immutable text value used to compose log lines and registry key
// paths: every operation gives a new value.
#pragma once

#include <cstdint>
#include <string>

namespace aro {

class TextValue {
public:
    TextValue(const char* text = nullptr) : m_text(text ? text : "") {}
    // Signed decimal, as "%d" writes it.
    explicit TextValue(int32_t number) : m_text(std::to_string(number)) {}

    const char* c_str() const { return m_text.c_str(); }
    std::size_t Length() const { return m_text.size(); }

    // The part that starts at a 1-based position and has at most length
    // characters; empty when the position lies beyond the text.
    TextValue Mid(std::size_t position, std::size_t length) const;

    friend TextValue operator+(const TextValue& a, const TextValue& b) {
        TextValue result(a);
        result.m_text += b.m_text;
        return result;
    }
    friend TextValue operator+(const char* a, const TextValue& b) { return TextValue(a) + b; }
    friend TextValue operator+(const TextValue& a, const char* b) { return a + TextValue(b); }

private:
    std::string m_text;
};

}  // namespace aro
