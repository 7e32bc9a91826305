#include "platform/posix/DbusIntrospection.h"

#include <cctype>

namespace aro::posix {

namespace {

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// One tag's text between "<" and ">", classified.
struct Tag {
    std::string element;
    std::string body;  // the text after "<" (and "/"), without a trailing "/"
    bool closing = false;
    bool selfClosing = false;
};

Tag Classify(std::string text) {
    Tag tag;
    tag.closing = !text.empty() && text.front() == '/';
    if (tag.closing) text.erase(0, 1);
    tag.selfClosing = !text.empty() && text.back() == '/';
    if (tag.selfClosing) text.pop_back();
    size_t end = 0;
    while (end < text.size() && !IsSpace(text[end])) ++end;
    tag.element = text.substr(0, end);
    tag.body = std::move(text);
    return tag;
}

// The value of attribute `name` in a tag body, quoted with ' or ".
std::optional<std::string> Attribute(const std::string& body, const std::string& name) {
    size_t pos = body.find_first_of(" \t\r\n");
    while (pos != std::string::npos && pos < body.size()) {
        while (pos < body.size() && IsSpace(body[pos])) ++pos;
        size_t nameEnd = pos;
        while (nameEnd < body.size() && body[nameEnd] != '=' && !IsSpace(body[nameEnd])) ++nameEnd;
        const std::string attribute = body.substr(pos, nameEnd - pos);
        size_t eq = nameEnd;
        while (eq < body.size() && IsSpace(body[eq])) ++eq;
        if (eq >= body.size() || body[eq] != '=') return std::nullopt;
        size_t quote = eq + 1;
        while (quote < body.size() && IsSpace(body[quote])) ++quote;
        if (quote >= body.size() || (body[quote] != '"' && body[quote] != '\''))
            return std::nullopt;
        const size_t close = body.find(body[quote], quote + 1);
        if (close == std::string::npos) return std::nullopt;
        if (attribute == name) return body.substr(quote + 1, close - quote - 1);
        pos = close + 1;
    }
    return std::nullopt;
}

// The position of the ">" that ends the tag opened at `open`, skipping
// quoted attribute values.
size_t TagEnd(const std::string& xml, size_t open) {
    char quote = 0;
    for (size_t i = open + 1; i < xml.size(); ++i) {
        const char c = xml[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i;
        }
    }
    return std::string::npos;
}

class MethodScan {
public:
    explicit MethodScan(const std::string& interface) : m_interface(interface) {}

    void Visit(const Tag& tag) {
        if (tag.element == "node") {
            if (tag.closing)
                --m_depth;
            else if (!tag.selfClosing)
                ++m_depth;
        } else if (tag.element == "interface") {
            VisitInterface(tag);
        } else if (tag.element == "method" && m_inside && !tag.closing) {
            if (auto name = Attribute(tag.body, "name")) m_methods.insert(*name);
        }
    }

    std::optional<std::set<std::string>> Result() const {
        if (!m_found) return std::nullopt;
        return m_methods;
    }

private:
    void VisitInterface(const Tag& tag) {
        if (tag.closing) {
            m_inside = false;
            return;
        }
        // Depth 1 is the object itself; deeper nodes are its children.
        if (m_depth != 1 || Attribute(tag.body, "name") != m_interface) return;
        m_found = true;
        m_inside = !tag.selfClosing;
    }

    const std::string& m_interface;
    int m_depth = 0;
    bool m_inside = false;
    bool m_found = false;
    std::set<std::string> m_methods;
};

}  // namespace

std::optional<std::set<std::string>> DeclaredMethods(const std::string& xml,
                                                     const std::string& interface) {
    MethodScan scan(interface);
    size_t pos = 0;
    while ((pos = xml.find('<', pos)) != std::string::npos) {
        if (xml.compare(pos, 4, "<!--") == 0) {
            pos = xml.find("-->", pos + 4);
            if (pos == std::string::npos) return std::nullopt;
            pos += 3;
            continue;
        }
        const size_t end = TagEnd(xml, pos);
        if (end == std::string::npos) return std::nullopt;
        const std::string text = xml.substr(pos + 1, end - pos - 1);
        pos = end + 1;
        if (text.empty() || text.front() == '?' || text.front() == '!') continue;
        scan.Visit(Classify(text));
    }
    return scan.Result();
}

}  // namespace aro::posix
