#include "engine/WordIndex.h"

#include "engine/Cp1251.h"

#include <array>

namespace zarvik {
namespace {

constexpr std::size_t TableSize = 256;

const std::array<unsigned char, 256> &FoldTable()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[static_cast<std::size_t>(i)] = UpperCp1251(static_cast<unsigned char>(i));
        return t;
    }();
    return table;
}

} // namespace

TWordIndex::TWordIndex()
{
    Clear();
}

void TWordIndex::Clear()
{
    FStates.clear();
    FEdges.clear();
    FTables.clear();
    NewState(0, -1);
}

std::int32_t *TWordIndex::Transition(std::int32_t state, unsigned char byte)
{
    const TState &s = FStates[static_cast<std::size_t>(state)];
    if (s.Table >= 0) {
        std::int32_t &slot = FTables[static_cast<std::size_t>(s.Table) * TableSize + byte];
        return slot >= 0 ? &slot : nullptr;
    }
    if (!(s.Bytes >> (byte & 63) & 1))
        return nullptr;
    for (std::int32_t e = s.FirstEdge; e >= 0;) {
        TEdge &edge = FEdges[static_cast<std::size_t>(e)];
        if (edge.Byte == byte)
            return &edge.Target;
        e = edge.Next;
    }
    return nullptr;
}

const std::int32_t *TWordIndex::Transition(std::int32_t state, unsigned char byte) const
{
    return const_cast<TWordIndex *>(this)->Transition(state, byte);
}

void TWordIndex::AddTransition(std::int32_t state, unsigned char byte, std::int32_t target)
{
    TState &s = FStates[static_cast<std::size_t>(state)];
    if (s.Table >= 0) {
        FTables[static_cast<std::size_t>(s.Table) * TableSize + byte] = target;
        return;
    }
    FEdges.push_back({target, s.FirstEdge, byte});
    s.Bytes |= std::uint64_t(1) << (byte & 63);
    s.FirstEdge = static_cast<std::int32_t>(FEdges.size() - 1);
}

std::int32_t TWordIndex::NewState(std::int32_t len, std::int32_t link)
{
    std::int32_t table = -1;
    if (len <= 1) {
        table = static_cast<std::int32_t>(FTables.size() / TableSize);
        FTables.resize(FTables.size() + TableSize, -1);
    }
    FStates.push_back({len, link, table, -1, 0});
    return static_cast<std::int32_t>(FStates.size() - 1);
}

std::int32_t TWordIndex::CloneState(std::int32_t q, std::int32_t len)
{
    const std::int32_t clone = NewState(len, FStates[static_cast<std::size_t>(q)].Link);
    const TState &from = FStates[static_cast<std::size_t>(q)];
    if (from.Table >= 0) {
        const std::size_t base = static_cast<std::size_t>(from.Table) * TableSize;
        for (std::size_t b = 0; b < TableSize; ++b) {
            const std::int32_t target = FTables[base + b];
            if (target >= 0)
                AddTransition(clone, static_cast<unsigned char>(b), target);
        }
    } else {
        for (std::int32_t e = from.FirstEdge; e >= 0;) {
            const TEdge edge = FEdges[static_cast<std::size_t>(e)];
            AddTransition(clone, edge.Byte, edge.Target);
            e = edge.Next;
        }
    }
    FStates[static_cast<std::size_t>(q)].Link = clone;
    return clone;
}

void TWordIndex::Redirect(std::int32_t p, unsigned char byte, std::int32_t from, std::int32_t to)
{
    while (p != -1) {
        std::int32_t *slot = Transition(p, byte);
        if (!slot || *slot != from)
            break;
        *slot = to;
        p = FStates[static_cast<std::size_t>(p)].Link;
    }
}

// The on-line construction for a set of words: every word starts again from the root, so no
// state spans two words. The new state takes every suffix of the word so far extended by `byte`;
// a state whose suffixes would be split is cloned. Returns the state of the extended word.
std::int32_t TWordIndex::Extend(std::int32_t last, unsigned char byte)
{
    const std::int32_t lastLen = FStates[static_cast<std::size_t>(last)].Len;
    if (const std::int32_t *existing = Transition(last, byte)) {
        // The extended word is already a substring of an earlier word.
        const std::int32_t q = *existing;
        if (FStates[static_cast<std::size_t>(q)].Len == lastLen + 1)
            return q;
        const std::int32_t clone = CloneState(q, lastLen + 1);
        Redirect(last, byte, q, clone);
        return clone;
    }
    const std::int32_t cur = NewState(lastLen + 1, 0);
    std::int32_t p = last;
    const std::int32_t *next = nullptr;
    while (p != -1) {
        next = Transition(p, byte);
        if (next)
            break;
        AddTransition(p, byte, cur);
        p = FStates[static_cast<std::size_t>(p)].Link;
    }
    if (p != -1) {
        const std::int32_t q = *next;
        const std::int32_t pLen = FStates[static_cast<std::size_t>(p)].Len;
        if (pLen + 1 == FStates[static_cast<std::size_t>(q)].Len) {
            FStates[static_cast<std::size_t>(cur)].Link = q;
        } else {
            const std::int32_t clone = CloneState(q, pLen + 1);
            Redirect(p, byte, q, clone);
            FStates[static_cast<std::size_t>(cur)].Link = clone;
        }
    }
    return cur;
}

bool TWordIndex::Contains(std::string_view word) const
{
    if (word.empty())
        return false;
    std::int32_t state = 0;
    for (const char c : word) {
        const std::int32_t *next = Transition(state, static_cast<unsigned char>(c));
        if (!next)
            return false;
        state = *next;
    }
    return true;
}

void TWordIndex::Add(std::string_view word)
{
    std::int32_t last = 0;
    for (const char c : word)
        last = Extend(last, static_cast<unsigned char>(c));
}

void TLinkWordCollector::Collect(std::string_view text, std::size_t minLength)
{
    const auto &fold = FoldTable();
    FIndex.Clear();
    FWords.clear();
    FArena.clear();
    FArena.reserve(text.size());
    FFolded.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        FFolded[i] = static_cast<char>(fold[static_cast<unsigned char>(text[i])]);

    std::string stripped;
    std::string strippedFolded;
    auto take = [&](std::size_t start, std::size_t end, bool hasLf) {
        std::string_view word = text.substr(start, end - start);
        std::string_view folded = std::string_view(FFolded).substr(start, end - start);
        if (hasLf) {
            stripped.clear();
            strippedFolded.clear();
            for (std::size_t i = 0; i < word.size(); ++i) {
                if (word[i] != '\n') {
                    stripped += word[i];
                    strippedFolded += folded[i];
                }
            }
            word = stripped;
            folded = strippedFolded;
        }
        if (word.size() < minLength)
            return;
        if (!word.empty()) {
            if (FIndex.Contains(folded))
                return;
            FIndex.Add(folded);
        }
        FWords.push_back({FArena.size(), word.size()});
        FArena.append(word);
    };

    // Every space and every CR ends a word; what follows the last of them is not a word.
    std::size_t start = 0;
    bool hasLf = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\r') {
            take(start, i, hasLf);
            start = i + 1;
            hasLf = false;
        } else if (c == '\n') {
            hasLf = true;
        }
    }
}

std::vector<std::string> TLinkWordCollector::Words() const
{
    std::vector<std::string> out;
    out.reserve(FWords.size());
    for (std::size_t i = 0; i < FWords.size(); ++i)
        out.emplace_back(Word(i));
    return out;
}

std::vector<std::string> CollectLinkWordsPairwise(std::string_view text)
{
    std::string scan(text);
    for (char &c : scan) {
        if (c == '\r')
            c = ' ';
    }
    std::vector<std::string> words;
    std::vector<std::string> folded;
    std::string word;
    for (const char c : scan) {
        if (c != ' ') {
            if (c != '\n')
                word += c;
            continue;
        }
        const std::string upper = UpperCp1251(word);
        bool contained = false;
        if (!upper.empty()) {
            for (const std::string &earlier : folded) {
                if (earlier.find(upper) != std::string::npos) {
                    contained = true;
                    break;
                }
            }
        }
        if (!contained) {
            words.push_back(word);
            folded.push_back(upper);
        }
        word.clear();
    }
    return words;
}

} // namespace zarvik
