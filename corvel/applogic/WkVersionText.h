#pragma once
// Version texts MM.mm.pp and how the workbench compares them.

#include <string>

/// The number MMmmpp of a version text: characters 0-1, 3-4 and 6-7 joined and read as a
/// decimal number up to the first character that is not a digit (missing characters end it).
int VersionNumber(const std::string& text);

/// The major version: the first two characters read as a decimal number up to the first
/// character that is not a digit; 0 when the text does not start with a digit.
int MajorVersion(const std::string& text);

/// True when `actual` is older than `needed` by VersionNumber.
bool IsOlderVersion(const std::string& actual, const std::string& needed);
