#include "base/TextValue.h"

namespace aro {

TextValue TextValue::Mid(std::size_t position, std::size_t length) const {
    if (position == 0 || position > m_text.size()) return TextValue();
    return TextValue(m_text.substr(position - 1, length).c_str());
}

}  // namespace aro
