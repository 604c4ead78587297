// Standard base64 (RFC 4648 alphabet, with padding), for binary values in text files.
#pragma once
#include <string>

std::wstring EncodeBase64(const std::string& bytes);
// False for anything but whole, padded standard base64 (no blanks, no line breaks).
bool DecodeBase64(const std::wstring& text, std::string& bytes);
