#include "app/SlaveDefaults.h"

#include "app/QuorvelVK550ConfigDlg.h"
#include "platform/settings/RegHelper.h"

namespace vk {

std::optional<SlaveDefaults> ReadSlaveDefaults()
{
    CRegHelper reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKey(kProgramKey))
        return std::nullopt;
    SlaveDefaults values;
    // They count only together: two of three would mix two slaves' settings.
    if (!reg.ReadDword("Slave PIC Flags 0", &values.picFlags0) || !reg.ReadDword("Slave PIC Flags 1", &values.picFlags1) ||
        !reg.ReadDword("Slave Address Flags", &values.address))
        return std::nullopt;
    return values;
}

}  // namespace vk
