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

// Every substring of the words added to it, as a suffix automaton over the set of words. Adding
// and testing a word cost time linear in the word's length.
class TSuffixAutomaton
{
public:
    TSuffixAutomaton();

    // Forgets every word but keeps the memory.
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

// Answers "does one of the added words contain this word?" in time linear in the words' length,
// comparing with Latin and Cyrillic letters folded to capitals.
//
// For words of at least FilterGram bytes the added words are kept one after another, and every
// FilterGram-byte piece of them is chained by its hash, newest first, as in a dictionary
// compressor. A word with a piece whose chain is empty is contained in no added word, which is
// the usual answer for a new word; otherwise the places in the chain of its first piece are the
// only places where it can start, and each is compared. The table of chain heads doubles
// whenever the pieces outnumber its entries, so chains stay short on pages of any size. The
// comparisons have a budget proportional to the bytes added; once it is spent (a page made to
// defeat the hashing), and for shorter words from the start, a suffix automaton of the added
// words answers instead.
class TWordIndex
{
public:
    static constexpr std::size_t FilterGram = 5;
    static constexpr std::size_t DefaultSearchBudget = 8;
    static constexpr unsigned DefaultHeadBits = 14;
    static constexpr unsigned MaxHeadBits = 24;

    // `searchBudget` places may be compared per byte added; 0 uses the automaton at once. The
    // table of chain heads starts with 2^headBits entries and grows up to 2^maxHeadBits.
    explicit TWordIndex(std::size_t searchBudget = DefaultSearchBudget, unsigned headBits = DefaultHeadBits,
                        unsigned maxHeadBits = MaxHeadBits);

    // Forgets every word, keeping the memory. `minLength` is the length of the shortest word that
    // will be tested or added; it only decides which structure serves best.
    void Reset(std::size_t minLength);
    // An empty word is never contained.
    bool Contains(std::string_view word);
    void Add(std::string_view word);
    // Adds `word` and returns true unless an added word contains it.
    bool AddIfNew(std::string_view word);

private:
    // Folds the word into FFolded and, unless the automaton is in use, hashes its pieces into
    // FPieces. False when the chain of some piece is empty.
    bool Prepare(std::string_view word);
    // Whether the prepared word occurs in the added words.
    bool Search();
    // Appends the prepared word.
    void Append();
    void SwitchToAutomaton();
    std::uint32_t Hash(std::uint64_t piece) const
    {
        return static_cast<std::uint32_t>((piece * 0x9E3779B97F4A7C15ull) >> (64 - FHeadBits));
    }
    // Hashes the pieces of the prepared word again, after the table has grown.
    void HashPieces();
    // Doubles the table of chain heads until it has an entry per piece, and chains every added
    // piece again, oldest first.
    void Grow(std::size_t pieces);

    std::size_t FSearchBudget;
    unsigned FHeadBits;
    unsigned FMaxHeadBits;
    // Pieces chained so far.
    std::size_t FChained = 0;
    bool FUseAutomaton = false;
    // The added words, each followed by a space, which no word holds.
    std::string FWords;
    // FHeads[hash] is the newest place of a piece with that hash, FPrevious[place] the one
    // before; -1 ends a chain.
    std::vector<std::int32_t> FHeads;
    std::vector<std::int32_t> FPrevious;
    std::vector<std::uint32_t> FUsedHeads;
    std::string FFolded;
    std::size_t FFoldedLength = 0;
    std::vector<std::uint32_t> FPieces;
    std::size_t FPieceCount = 0;
    std::size_t FSearched = 0;
    TSuffixAutomaton FAutomaton;
};

// Collects the candidate words of page texts, reusing its memory from page to page.
class TLinkWordCollector
{
public:
    // See TWordIndex; tests use a budget of 0 to make the automaton do all the work.
    explicit TLinkWordCollector(std::size_t searchBudget = TWordIndex::DefaultSearchBudget,
                                unsigned headBits = TWordIndex::DefaultHeadBits,
                                unsigned maxHeadBits = TWordIndex::MaxHeadBits)
        : FIndex(searchBudget, headBits, maxHeadBits)
    {
    }

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
    std::vector<TSpan> FWords;
};

// The same collection made the direct way, testing every word against every earlier candidate.
// Kept as the reference for the indexed collection.
std::vector<std::string> CollectLinkWordsPairwise(std::string_view text);

} // namespace zarvik
