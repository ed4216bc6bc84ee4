#include "app/WizardPage.h"

#include <ostream>

namespace vk {

std::ostream& operator<<(std::ostream& os, Page page) { return os << "page " << PageNumber(page); }

}  // namespace vk
