#pragma once
// What each system's half of the code page provides: conversion between two
// named code pages, lossy (one '?' per character or byte that does not
// convert) and checked (false with the reason, the output untouched).

#include <string>
#include <string_view>

namespace zeva {

std::string Convert(std::string_view in, const std::string& from, const std::string& to);
bool ConvertChecked(std::string_view in, const std::string& from, const std::string& to,
                    std::string& out, std::string* error);

}  // namespace zeva
