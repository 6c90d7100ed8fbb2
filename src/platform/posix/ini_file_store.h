// INI files on a POSIX file system: the shared INI store over the POSIX file layer.
#pragma once

#include "platform/ini_file_store.h"
#include "platform/posix/atomic_file.h"

namespace corvantis::posix {

using corvantis::DecodeIniFile;
using corvantis::EncodeIniFile;
using corvantis::FindIniValue;
using corvantis::IniFileText;
using corvantis::IniIndex;
using corvantis::SetIniValue;
using corvantis::TextEncoding;

class IniFileStore : public corvantis::IniFileStore {
public:
    IniFileStore() : corvantis::IniFileStore(Files()) {}
};

}  // namespace corvantis::posix
