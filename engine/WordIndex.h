#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Word collection for the link distribution. A page text is cut into words at every space and
// every CR, with LF bytes dropped from the words; a word is a candidate unless an earlier
// candidate contains it, compared with Latin and Cyrillic letters folded to capitals.
namespace zarvik {

// An index of every substring of the words added to it (a suffix automaton over the set of
// words). Adding a word and testing a word cost time linear in the word's length, so a page is
// collected in time linear in its length.
class TWordIndex
{
public:
    TWordIndex();

    // Forgets every word but keeps the memory for the next page.
    void Clear();
    // True when `word` occurs inside one of the added words. An empty word is never contained.
    bool Contains(std::string_view word) const;
    void Add(std::string_view word);

private:
    struct TState
    {
        std::int32_t Len;
        std::int32_t Link;
        // Shallow states (length 0 or 1) branch on nearly every letter and get a table of all
        // 256 bytes; the others keep a short list of edges.
        std::int32_t Table;
        std::int32_t FirstEdge;
        // Bit (byte % 64) is set for every byte of the edge list, so most misses are answered
        // without walking the list.
        std::uint64_t Bytes;
    };
    struct TEdge
    {
        std::int32_t Target;
        std::int32_t Next;
        unsigned char Byte;
    };

    // The target slot of the transition, or null.
    std::int32_t *Transition(std::int32_t state, unsigned char byte);
    const std::int32_t *Transition(std::int32_t state, unsigned char byte) const;
    void AddTransition(std::int32_t state, unsigned char byte, std::int32_t target);
    std::int32_t NewState(std::int32_t len, std::int32_t link);
    std::int32_t CloneState(std::int32_t q, std::int32_t len);
    void Redirect(std::int32_t p, unsigned char byte, std::int32_t from, std::int32_t to);
    std::int32_t Extend(std::int32_t last, unsigned char byte);

    std::vector<TState> FStates;
    std::vector<TEdge> FEdges;
    std::vector<std::int32_t> FTables;
};

// Collects the candidate words of page texts, reusing its memory from page to page.
class TLinkWordCollector
{
public:
    // Collects the candidates of `text` in order of first appearance. When `minLength` is above
    // zero, words shorter than it are left out of the result; this changes nothing for the longer
    // words, since a shorter word never contains a longer one.
    void Collect(std::string_view text, std::size_t minLength = 0);

    std::size_t Count() const { return FWords.size(); }
    // Valid until the next Collect().
    std::string_view Word(std::size_t i) const
    {
        return std::string_view(FArena).substr(FWords[i].Offset, FWords[i].Length);
    }
    std::vector<std::string> Words() const;

private:
    struct TSpan
    {
        std::size_t Offset;
        std::size_t Length;
    };

    TWordIndex FIndex;
    std::string FArena;
    std::string FFolded;
    std::vector<TSpan> FWords;
};

// The same collection made the direct way, testing every word against every earlier candidate.
// Kept as the reference for the indexed collection.
std::vector<std::string> CollectLinkWordsPairwise(std::string_view text);

} // namespace zarvik
