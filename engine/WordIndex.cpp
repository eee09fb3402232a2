#include "engine/WordIndex.h"

#include "engine/Cp1251.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace zarvik {
namespace {

constexpr std::size_t TableSize = 256;
// Places that may be compared on any page before the budget proportional to its words applies.
constexpr std::size_t MinSearchBudget = 4096;

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

// The position of the first byte at or after `from` that is a space or a control character
// (the only bytes that can end a word or be dropped from one), or the text's size. On
// little-endian machines eight bytes are tested at a time: a byte below 0x21 leaves its top bit
// set in (v - 0x21..21) & ~v, and the lowest such byte is always a true one, since borrows only
// run towards higher bytes.
std::size_t NextControl(std::string_view text, std::size_t from)
{
    std::size_t i = from;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101ull;
        for (; i + 8 <= text.size(); i += 8) {
            std::uint64_t v;
            std::memcpy(&v, text.data() + i, 8);
            const std::uint64_t found = (v - ones * 0x21) & ~v & (ones * 0x80);
            if (found)
                return i + static_cast<std::size_t>(std::countr_zero(found)) / 8;
        }
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) <= ' ')
            return i;
    }
    return i;
}

} // namespace

TSuffixAutomaton::TSuffixAutomaton()
{
    Clear();
}

void TSuffixAutomaton::Clear()
{
    FStates.clear();
    FEdges.clear();
    FTables.clear();
    NewState(0, -1);
}

std::int32_t *TSuffixAutomaton::Transition(std::int32_t state, unsigned char byte)
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

const std::int32_t *TSuffixAutomaton::Transition(std::int32_t state, unsigned char byte) const
{
    return const_cast<TSuffixAutomaton *>(this)->Transition(state, byte);
}

void TSuffixAutomaton::AddTransition(std::int32_t state, unsigned char byte, std::int32_t target)
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

std::int32_t TSuffixAutomaton::NewState(std::int32_t len, std::int32_t link)
{
    std::int32_t table = -1;
    if (len <= 1) {
        table = static_cast<std::int32_t>(FTables.size() / TableSize);
        FTables.resize(FTables.size() + TableSize, -1);
    }
    FStates.push_back({len, link, table, -1, 0});
    return static_cast<std::int32_t>(FStates.size() - 1);
}

std::int32_t TSuffixAutomaton::CloneState(std::int32_t q, std::int32_t len)
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

void TSuffixAutomaton::Redirect(std::int32_t p, unsigned char byte, std::int32_t from, std::int32_t to)
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
std::int32_t TSuffixAutomaton::Extend(std::int32_t last, unsigned char byte)
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

bool TSuffixAutomaton::Contains(std::string_view word) const
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

void TSuffixAutomaton::Add(std::string_view word)
{
    std::int32_t last = 0;
    for (const char c : word)
        last = Extend(last, static_cast<unsigned char>(c));
}

TWordIndex::TWordIndex(std::size_t searchBudget, unsigned headBits, unsigned maxHeadBits)
    : FSearchBudget(searchBudget)
    , FHeadBits(headBits)
    , FMaxHeadBits(std::max(headBits, maxHeadBits))
    , FHeads(std::size_t(1) << headBits, -1)
{
}

void TWordIndex::Reset(std::size_t minLength)
{
    FWords.clear();
    for (const std::uint32_t head : FUsedHeads)
        FHeads[head] = -1;
    FUsedHeads.clear();
    FSearched = 0;
    FChained = 0;
    FAutomaton.Clear();
    // Shorter words have no piece to look up.
    FUseAutomaton = minLength < FilterGram || FSearchBudget == 0;
}

bool TWordIndex::Prepare(std::string_view word)
{
    static_assert(FilterGram <= 8);
    constexpr std::uint64_t mask = (std::uint64_t(1) << (8 * FilterGram)) - 1;
    const auto &fold = FoldTable();
    // The buffers only grow; FFoldedLength and FPieceCount say how much of them is in use.
    if (FFolded.size() < word.size()) {
        FFolded.resize(std::max(word.size(), 2 * FFolded.size()));
        FPieces.resize(FFolded.size());
    }
    FFoldedLength = word.size();
    char *folded = FFolded.data();
    if (FUseAutomaton) {
        for (std::size_t i = 0; i < word.size(); ++i)
            folded[i] = static_cast<char>(fold[static_cast<unsigned char>(word[i])]);
        return true;
    }
    std::uint32_t *pieces = FPieces.data();
    const std::int32_t *heads = FHeads.data();
    std::int32_t missing = 0;
    std::uint64_t piece = 0;
    std::size_t i = 0;
    for (; i < word.size() && i + 1 < FilterGram; ++i) {
        folded[i] = static_cast<char>(fold[static_cast<unsigned char>(word[i])]);
        piece = (piece << 8) | static_cast<unsigned char>(folded[i]);
    }
    // From here on `piece` holds the last FilterGram folded bytes.
    for (; i < word.size(); ++i) {
        const unsigned char byte = fold[static_cast<unsigned char>(word[i])];
        folded[i] = static_cast<char>(byte);
        piece = ((piece << 8) | byte) & mask;
        const std::uint32_t hash = Hash(piece);
        missing |= heads[hash];
        pieces[i + 1 - FilterGram] = hash;
    }
    FPieceCount = word.size() >= FilterGram ? word.size() - FilterGram + 1 : 0;
    // An empty chain has the head -1, which sets the sign bit.
    return missing >= 0;
}

bool TWordIndex::Search()
{
    const std::string_view folded(FFolded.data(), FFoldedLength);
    if (FUseAutomaton)
        return FAutomaton.Contains(folded);
    if (folded.size() < FilterGram)
        return FWords.find(folded) != std::string::npos;
    for (std::int32_t place = FHeads[FPieces.front()]; place >= 0;
         place = FPrevious[static_cast<std::size_t>(place)]) {
        if (++FSearched > FSearchBudget * FWords.size() + MinSearchBudget) {
            SwitchToAutomaton();
            return FAutomaton.Contains(folded);
        }
        if (FWords.compare(static_cast<std::size_t>(place), folded.size(), folded) == 0)
            return true;
    }
    return false;
}

void TWordIndex::Append()
{
    const std::string_view folded(FFolded.data(), FFoldedLength);
    if (FUseAutomaton) {
        FAutomaton.Add(folded);
        return;
    }
    if (FChained + FPieceCount > FHeads.size() && FHeadBits < FMaxHeadBits) {
        Grow(FChained + FPieceCount);
        HashPieces();
    }
    const std::size_t offset = FWords.size();
    FWords += folded;
    FWords += ' ';
    FChained += FPieceCount;
    // Only places that start a piece are ever read, and each is written here before it is.
    if (FPrevious.size() < FWords.size())
        FPrevious.resize(std::max(FWords.size(), 2 * FPrevious.size()));
    for (std::size_t k = 0; k < FPieceCount; ++k) {
        const std::uint32_t hash = FPieces[k];
        FPrevious[offset + k] = FHeads[hash];
        if (FHeads[hash] < 0)
            FUsedHeads.push_back(hash);
        FHeads[hash] = static_cast<std::int32_t>(offset + k);
    }
}

void TWordIndex::HashPieces()
{
    std::uint64_t piece = 0;
    for (std::size_t i = 0; i < FFoldedLength; ++i) {
        piece = (piece << 8) | static_cast<unsigned char>(FFolded[i]);
        if (i + 1 >= FilterGram)
            FPieces[i + 1 - FilterGram] = Hash(piece & ((std::uint64_t(1) << (8 * FilterGram)) - 1));
    }
}

void TWordIndex::Grow(std::size_t pieces)
{
    while (FHeadBits < FMaxHeadBits && (std::size_t(1) << FHeadBits) < pieces)
        ++FHeadBits;
    FHeads.assign(std::size_t(1) << FHeadBits, -1);
    FUsedHeads.clear();
    constexpr std::uint64_t mask = (std::uint64_t(1) << (8 * FilterGram)) - 1;
    // Every word is followed by a space, which no word holds, so a piece is a run of FilterGram
    // bytes without one.
    std::uint64_t piece = 0;
    std::size_t run = 0;
    for (std::size_t i = 0; i < FWords.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(FWords[i]);
        if (byte == ' ') {
            run = 0;
            continue;
        }
        piece = ((piece << 8) | byte) & mask;
        if (++run < FilterGram)
            continue;
        const std::uint32_t hash = Hash(piece);
        const std::size_t place = i + 1 - FilterGram;
        FPrevious[place] = FHeads[hash];
        if (FHeads[hash] < 0)
            FUsedHeads.push_back(hash);
        FHeads[hash] = static_cast<std::int32_t>(place);
    }
}

void TWordIndex::SwitchToAutomaton()
{
    FAutomaton.Clear();
    std::size_t start = 0;
    for (std::size_t end = FWords.find(' '); end != std::string::npos; end = FWords.find(' ', start)) {
        FAutomaton.Add(std::string_view(FWords).substr(start, end - start));
        start = end + 1;
    }
    FUseAutomaton = true;
}

bool TWordIndex::Contains(std::string_view word)
{
    if (word.empty())
        return false;
    return Prepare(word) && Search();
}

void TWordIndex::Add(std::string_view word)
{
    Prepare(word);
    Append();
}

bool TWordIndex::AddIfNew(std::string_view word)
{
    if (word.empty())
        return true;
    // A piece never seen before proves the word new without a search.
    if (Prepare(word) && Search())
        return false;
    Append();
    return true;
}

void TLinkWordCollector::Collect(std::string_view text, std::size_t minLength)
{
    FIndex.Reset(minLength);
    FWords.clear();
    FArena.clear();
    FArena.reserve(text.size());

    auto take = [&](std::string_view word) {
        if (word.size() < minLength || !FIndex.AddIfNew(word))
            return;
        FWords.push_back({FArena.size(), word.size()});
        FArena.append(word);
    };
    std::string stripped;
    auto takeWithoutLf = [&](std::string_view word) {
        stripped.clear();
        for (const char c : word) {
            if (c != '\n')
                stripped += c;
        }
        take(stripped);
    };

    // Every space and every CR ends a word; what follows the last of them is not a word.
    std::size_t start = 0;
    bool hasLf = false;
    std::size_t i = 0;
    while ((i = NextControl(text, i)) < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\r') {
            const std::string_view word = text.substr(start, i - start);
            if (hasLf)
                takeWithoutLf(word);
            else
                take(word);
            start = i + 1;
            hasLf = false;
        } else if (c == '\n') {
            hasLf = true;
        }
        ++i;
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
