// A small text value used to compose log lines and registry key paths.
#pragma once

#include <cstdint>
#include <string>

namespace aro {

class StringBuilder {
public:
    StringBuilder(const char* text = nullptr) : m_text(text ? text : "") {}
    StringBuilder(const StringBuilder& other) = default;
    StringBuilder& operator=(const StringBuilder& other) = default;
    // Signed decimal, as "%d" writes it.
    explicit StringBuilder(int32_t number) : m_text(std::to_string(number)) {}
    virtual ~StringBuilder() = default;

    const char* c_str() const { return m_text.c_str(); }
    std::size_t Length() const { return m_text.size(); }

    // The part that starts at a 1-based position and has at most length
    // characters; empty when the position lies beyond the text.
    StringBuilder Mid(std::size_t position, std::size_t length) const;

    friend StringBuilder operator+(const StringBuilder& a, const StringBuilder& b) {
        StringBuilder result(a);
        result.m_text += b.m_text;
        return result;
    }
    friend StringBuilder operator+(const char* a, const StringBuilder& b) {
        return StringBuilder(a) + b;
    }
    friend StringBuilder operator+(const StringBuilder& a, const char* b) {
        return a + StringBuilder(b);
    }

private:
    std::string m_text;
};

}  // namespace aro
