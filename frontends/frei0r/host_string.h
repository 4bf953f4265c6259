// The text of a string parameter as a frei0r host hands it over. frei0r
// passes a pointer to the char* (an f0r_param_string*). GStreamer 1.22's
// frei0r elements do so when they make an instance, but for a value set
// while the pipeline plays they pass the char* itself, so that its first
// bytes, read as an address, point nowhere. Neither form is trusted: the
// address is read without faulting, its first eight bytes count as the
// pointer only when they point at readable memory holding a whole string,
// and otherwise the bytes there are the text.
//
// Text of seven or more bytes is never mistaken for a pointer (its seventh
// byte puts the address beyond user space); shorter text is the text unless
// the bytes that follow it happen to make the address of a string.
#ifndef FOLVEK_FREI0R_HOST_STRING_H
#define FOLVEK_FREI0R_HOST_STRING_H

#include <optional>
#include <string>

namespace runner::frei0r {

// The text, "" for a null char*; nothing when `param` itself cannot be read.
std::optional<std::string> HostString(const void* param);

}  // namespace runner::frei0r

#endif
