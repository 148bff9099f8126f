#pragma once
// Every change to the frames of a test: a new frame, saving one, deleting,
// renumbering and reordering, copying and moving between tests. Each runs
// in one transaction over every file it touches (the test, its companion
// file of separately stored objects, the other test) and recounts the title
// statistics in it. Frame codes stay 1..N without gaps, and a frame's help
// record and stored object follow it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables_work.h"
#include "test_file.h"
#include "test_register.h"

namespace constructor {

// The most frames a test holds (a result keeps 512 places).
inline constexpr int kMostFrames = 512;

// The frames' codes in code order.
int frameCodes(testfile::TestFile& tf, std::vector<std::uint16_t>& out);

// Adds a new frame with the next code, primed from the frame defaults, of
// the editor kind "Stnd" or "Objk"; `code` gets its code.
Outcome newFrame(testfile::TestFile& tf, const tables::VopParam& defaults, const std::string& typeEdit, std::uint16_t& code);

// Saves a frame (added when its code is not in the test yet): normalised
// and validated first, refused with the problems named; with its help and
// comments record when `help` is given (its codes follow the frame's).
// With `opened` (the frame as the editor read it) the write is refused when
// the stored frame is no longer that one. `v.CODEVOP` follows the frame when
// codes with gaps close up.
Outcome saveFrame(testfile::TestFile& tf, tables::Vop& v, const tables::Training* help = nullptr, const tables::Vop* opened = nullptr);

// Writes a frame's help and comments record alone (added when the frame has
// none yet), its codes set to the frame's (help.CODEVOP); refused for a
// frame that is not in the test. A record left with no text, comment or
// attachment is deleted instead, as a frame without material has none. The
// frame itself is not written; as in every change, codes are settled to
// 1..N first. A frame's record is read with tf.findHelp(code).
Outcome saveFrameHelp(testfile::TestFile& tf, tables::Training& help);

// A help record added in the synopsis for the frame typed (help.CODEVOP):
// refused when that frame has one already (the standard duplicate-key
// message naming TRA:KeyCode, as the record's number is the frame's code)
// or is not in the test; otherwise written as saveFrameHelp does.
Outcome addFrameHelp(testfile::TestFile& tf, tables::Training& help);
// Deletes the help record of a frame code (a leftover of no frame too).
Outcome deleteFrameHelp(testfile::TestFile& tf, std::uint16_t code);

// Deletes the frames of these codes with their help and stored objects and
// renumbers the rest, keeping their order.
Outcome deleteFrames(testfile::TestFile& tf, const std::vector<std::uint16_t>& codes);

// Codes 1..N in the present order.
Outcome renumber(testfile::TestFile& tf);

// One place up or down, or to the first or last place (the neighbours'
// codes exchanged through the temporary code 38527). `now` gets the
// frame's code afterwards; a frame with no neighbour that way stays.
enum class Place { Up, Down, First, Last };
Outcome moveFrame(testfile::TestFile& tf, std::uint16_t code, Place where, std::uint16_t& now);
// To the place of the frame `target` (a row dragged onto another): the
// frames between shift by one towards the old place.
Outcome moveFrameTo(testfile::TestFile& tf, std::uint16_t code, std::uint16_t target, std::uint16_t& now);

// How a transfer of frames runs. The frames pass through the scratch
// table VOPBUF (emptied first, deleted when the transfer ends, written in
// the same transaction as the target), kept under the test files' owner
// password so a question never lies about in the clear.
struct Transfer {
  std::string buffer;   // the VOPBUF file; empty: one of this transfer's own in the temporary directory
  std::string keyWord;  // its owner password (GLB:KEYW); empty: none
  // Called after every record read or written (`done` of `total`), so the
  // window can stay responsive; it must not touch either test.
  std::function<void(int done, int total)> progress;
};

// Copies (or moves) the frames of these codes, in this order, to the end
// of another test (or of the same one), through VOPBUF: the target
// renumbered first, the copies taking the codes after its last; help
// records and stored objects (their bytes, into the target's companion
// file) go along. A move deletes exactly the frames it copied, in the same
// commit as the copies, and renumbers the source. Any failure leaves both
// tests as they were and is named. `newCodes` gets the copies' codes.
Outcome copyFrames(testfile::TestFile& from, const std::vector<std::uint16_t>& codes, testfile::TestFile& to, bool move,
                   std::vector<std::uint16_t>& newCodes, const Transfer& how = {});

// The VOPBUF record of a frame and back (every field of the frame).
tables::VopBuf toBuffer(const tables::Vop& v);
tables::Vop fromBuffer(const tables::VopBuf& b);

// The companion file of a test's separately stored objects, and the
// OBJECTDOC value naming the part of a frame code (relative to the base).
std::string companionOf(const testfile::TestFile& tf);
std::string objectPartName(const testfile::TestFile& tf, std::uint16_t code);

}  // namespace constructor
