// The binary shell-link format of shortcut files (.lnk), read and written
// without the system: the native backend keeps its shortcuts with it, and
// the fuzz target and the tests reach it on every backend. The code is
// portable (no system header); texts stay in the form the file holds them.
//
// A file is a 76-byte header (its size 0x4C, the class id
// 00021401-0000-0000-C000-000000000046, the link flags, the target's
// attributes, times and size, the icon index, the show command and the
// hotkey word), then, as the flags say, the target's item-id list, the link
// information (where the target lies: a local base path or a network share,
// and a common path suffix), the counted strings (description, relative
// path, working directory, arguments, icon location; UTF-16 when the
// Unicode flag is set, else bytes of the code page) and the extra data
// blocks, ended by a block shorter than four bytes.
//
// The reader takes untrusted bytes: every size and offset is checked
// against the block that holds it and against the file, and a file that
// does not hold together is refused as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat::lnk {

namespace flag {
constexpr std::uint32_t HasIdList = 1u << 0;
constexpr std::uint32_t HasLinkInfo = 1u << 1;
constexpr std::uint32_t HasName = 1u << 2;
constexpr std::uint32_t HasRelativePath = 1u << 3;
constexpr std::uint32_t HasWorkingDir = 1u << 4;
constexpr std::uint32_t HasArguments = 1u << 5;
constexpr std::uint32_t HasIconLocation = 1u << 6;
constexpr std::uint32_t IsUnicode = 1u << 7;
constexpr std::uint32_t ForceNoLinkInfo = 1u << 8;
constexpr std::uint32_t HasExpString = 1u << 9;
constexpr std::uint32_t HasDarwinId = 1u << 12;
constexpr std::uint32_t HasExpIcon = 1u << 14;
} // namespace flag

// Signatures of the extra data blocks that name the target or the icon
// another way: they go when the target (or the icon) is set anew.
namespace block {
constexpr std::uint32_t Environment = 0xA0000001; // the target with variables
constexpr std::uint32_t Tracker = 0xA0000003;     // the target's machine and object ids
constexpr std::uint32_t SpecialFolder = 0xA0000005;
constexpr std::uint32_t Darwin = 0xA0000006;
constexpr std::uint32_t IconEnvironment = 0xA0000007;
constexpr std::uint32_t PropertyStore = 0xA0000009;
constexpr std::uint32_t KnownFolder = 0xA000000B;
} // namespace block

// Show commands of the header.
constexpr std::uint32_t kShowNormal = 1;
constexpr std::uint32_t kShowMaximized = 3;
constexpr std::uint32_t kShowMinNoActive = 7;

// A counted string as the file holds it: UTF-16 units in a Unicode file,
// else one unit per byte of the code page.
using Units = std::u16string;

struct ExtraBlock {
    std::uint32_t signature = 0;
    std::string data; // the bytes after the size and the signature
};

struct ShellLink {
    std::uint32_t flags = 0;
    std::uint32_t file_attributes = 0;
    std::uint64_t times[3] = {}; // creation, access, write
    std::uint32_t file_size = 0;
    std::int32_t icon_index = 0;
    std::uint32_t show_command = kShowNormal;
    std::uint16_t hotkey = 0;

    std::string id_list; // the items (without the list's size), as read

    // The link information: the whole block as read (written back as it
    // is), and what the reader found in it.
    std::string link_info;
    std::string local_base_path;      // code page
    std::string common_path_suffix;   // code page
    std::u16string local_base_path_w; // when the block has the Unicode form
    std::u16string common_path_suffix_w;
    std::string net_name; // code page, of a network share

    Units name, relative_path, working_dir, arguments, icon_location;
    std::vector<ExtraBlock> extra;
};

// Parses a whole file; false when it is no shell link or does not hold
// together.
bool Parse(const unsigned char* data, std::size_t size, ShellLink* out);

// The show command of a file's header alone; false when the bytes do not
// begin with a shell-link header.
bool HeaderShowCommand(const unsigned char* data, std::size_t size, std::uint32_t* show);

// The link information block of a target path given in the code page
// (path) and in UTF-16 (wide): a local base path on a fixed volume.
std::string LocalLinkInfo(const std::string& path, const std::u16string& wide);

// The bytes of a file. Strings are written as they are, the Unicode flag
// as the caller set it; the presence flags of the id list, the link
// information and the strings follow what the record holds (a string is
// written when its flag is set).
std::string Serialize(const ShellLink& link);

// The target with its variables of an Environment block, when the record
// has one: the UTF-16 form when it is set, else the code-page form (as
// units of one byte each, in *wide false). False when there is none.
bool EnvironmentTarget(const ShellLink& link, std::u16string* target, bool* wide);

} // namespace plat::lnk
