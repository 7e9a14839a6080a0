#pragma once
#include <string>

// The path under the destination directory at which an archive entry may be written: the stored
// path with '/' turned into '\' and "." components dropped. False (nothing may be written) for a
// path that is empty, absolute, names a drive or a stream (any ':'), or has a ".." component or
// another component made only of dots and blanks (which Windows would shorten to "..").
bool ResolveEntryPath(const std::wstring& stored, std::wstring* relative);
