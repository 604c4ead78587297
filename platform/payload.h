// The 7-Zip files the program carries inside itself.
#pragma once
#include <string>

enum class PayloadItem { SevenZipExe, SevenZipDll };
// The item's bytes; empty when the program carries none.
std::string LoadPayloadBytes(PayloadItem item);
