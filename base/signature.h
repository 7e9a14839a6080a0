#pragma once

// Authenticode checks. Every failure reads as "not signed"; callers decide what that means.

// True when the file is signed by one of the maker's publishers (expired and untrusted-root
// certificates are accepted), or the system is older than Windows Vista.
bool VerifyFileSignature(const wchar_t* path);
// True when `publisher` is null, or the file is signed and its signer's display name equals
// `publisher` without regard to case (expired accepted, untrusted root not), or the system is older
// than Windows Vista.
bool VerifyFileSignedBy(const wchar_t* path, const wchar_t* publisher);
