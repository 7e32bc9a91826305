#include "base/StringBuilder.h"

namespace aro {

StringBuilder StringBuilder::Mid(std::size_t position, std::size_t length) const {
    if (position == 0 || position > m_text.size()) return StringBuilder();
    return StringBuilder(m_text.substr(position - 1, length).c_str());
}

}  // namespace aro
