#include "platform/settings/SlaveDefaults.h"

#include <string>

#include "platform/settings/RegHelper.h"
#include "platform/settings/SettingsStore.h"

namespace vk {
namespace {

// A value of another type (a text, even one of up to four bytes) is no number.
std::optional<uint32_t> StoredDword(const char* name)
{
    const auto value = Settings().Query(RootKeyName(HKEY_CURRENT_USER) + "\\" + kSlaveDefaultsKey, name);
    if (!value || value->type != RegValue::Type::Dword)
        return std::nullopt;
    return value->number;
}

}  // namespace

std::optional<SlaveDefaults> ReadSlaveDefaults()
{
    CRegHelper reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKey(kSlaveDefaultsKey))
        return std::nullopt;
    const auto lines0 = StoredDword(kSlaveLines0Value);
    const auto lines1 = StoredDword(kSlaveLines1Value);
    const auto address = StoredDword(kSlaveAddressValue);
    if (!lines0 || !lines1 || !address)
        return std::nullopt;
    return SlaveDefaults{*lines0, *lines1, *address};
}

}  // namespace vk
