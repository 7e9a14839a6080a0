#pragma once
#include <map>
#include <string>

// The process's command line as keys (upper-cased, with their leading '/') and values.
// A lazy singleton (CSingletonT<CCommandParser>), filled once at start-up and only read afterwards.
class CCommandParser {
public:
    // Stores the tail and rebuilds the map; false when the platform splitter fails.
    bool Parse(const std::wstring& tail);
    bool HasKey(const std::wstring& key) const;
    // Copies the value of `key` to `out`; false (and `out` untouched) when the key is absent.
    bool GetValue(const std::wstring& key, std::wstring* out) const;
    bool IsSilent() const { return HasKey(L"/S") || HasKey(L"/Z"); }
    const std::wstring& Tail() const { return m_tail; }

private:
    std::wstring m_tail;
    std::map<std::wstring, std::wstring> m_values;
};

// The process-wide parser.
CCommandParser* CommandLine();
