// The one door between the tutor's core and the platform it runs on.
//
// Every file, clock, random, dialog, text-box, picture and timer operation of the core goes
// through a Host. The Qt window supplies the real one; tests use FakeHost, which scripts the
// dialog replies, fixes the clock, seeds the generator and keeps the real file channels on a
// temporary folder, so tests check the real bytes on disk.
//
// Texts are byte strings: one byte per character, the byte being the character's code in
// Windows-1252. A line break inside a text is CR LF.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"

namespace qatutor {

// An operation of the host failed: a file or folder could not be opened, read, written or made.
// Start-up ignores a default folder that cannot be made (a folder that cannot be used shows when
// the files open) and explains a master file that cannot be opened; every other one reaches the
// window's event dispatch, which shows `what()` and ends the program.
class HostError : public TutorError {
public:
    using TutorError::TutorError;
};

// A file or folder name in a path is longer than the file system allows.
class NameTooLongError : public HostError {
public:
    using HostError::HostError;
};

// Another program kept a record file from the tutor for longer than the tutor waits: it had the
// file open and let no one else write to it, or held the writers' lock. The file is as it was.
class FileBusyError : public HostError {
public:
    using HostError::HostError;
};

// A write failed, and what it had put in the file could not be cut back out: the file may end
// with part of what was written. The next write to the file tries the cut again first.
class PartlyWrittenError : public HostError {
public:
    using HostError::HostError;
};

// Thrown by Host::endProgram: unwinds the running command so that nothing after it runs.
struct ProgramEnded {};

enum class TextBox { question, answer };
enum class PictureBox { picture1, picture2 };
// Start-up scales both picture boxes to this many logical units each way.
inline constexpr double pictureUnits = 1000;

// How a file channel is opened.
//   input  - read from the start; a missing file is a host error
//   output - an existing file is emptied, a missing one created
//   append - writes go to the end; a missing file is created
enum class FileMode { input, output, append };

// Numbered file channels, 1 to 5.
inline constexpr int masterChannel = 1;
inline constexpr int sendChannel = 2;
inline constexpr int notesChannel = 3;
inline constexpr int sendDisplayChannel = 5;
inline constexpr int firstChannel = 1;
inline constexpr int lastChannel = 5;

class Host {
public:
    virtual ~Host() = default;

    // Modal dialog with one prompt text, one entry line, OK and Cancel.
    // Returns the typed text as is, or the empty text on Cancel.
    virtual std::string prompt(const std::string& text) = 0;
    // The same dialog for the student's name, which is no maths: the host writes letters that
    // Windows-1252 does not hold in Latin letters it holds ("Νίκος" -> "Níkos") and shows the
    // name so written while it is typed. A host without a transliterator asks as prompt does.
    virtual std::string promptName(const std::string& text) { return prompt(text); }
    // The same dialog for a folder, which is no maths and never goes into a record: the reply is
    // the folder as typed, in the host's own spelling of paths (UTF-8 for the local hosts), and
    // the core only joins the file names to it with "\" and hands such paths back to the host.
    virtual std::string promptFolder(const std::string& text) { return prompt(text); }

    // The whole text of a box, line breaks as CR LF.
    virtual std::string boxText(TextBox box) = 0;
    virtual void setBoxText(TextBox box, const std::string& text) = 0;

    // File channels over raw bytes, no newline translation. Paths are the program's own
    // (c:\kavrodel\masterFile_Ann_Lee.txt); the host maps them to its file system.
    // Opening a channel that is open, or a file in a missing folder, is a host error; a name in
    // the path that is too long for the file system is a NameTooLongError; a file that another
    // program keeps open without sharing it, past the wait, is a FileBusyError.
    virtual void openFile(int channel, const std::string& path, FileMode mode) = 0;
    // The next line without its line end (CR LF, LF or CR). Past the end: host error.
    virtual std::string readLine(int channel) = 0;
    virtual bool atEnd(int channel) = 0;
    // Appends `bytes` with one system write (see file_channels.h for when there are more) and
    // flushes them to stable storage before returning.
    // On failure the file is cut back to where it was and a host error is raised; a
    // PartlyWrittenError when the cut itself failed. (The Qt host's start-up leaves the flush of
    // the file headers to a helper thread, and a failed flush is raised when it waits for them,
    // before the window is shown.)
    virtual void write(int channel, std::string_view bytes) = 0;
    // The same for bytes held in pieces, written in order as one text: with one gather write
    // where the system has one and takes that many pieces, so that a long text reaches the file
    // without being copied into one buffer first.
    virtual void write(int channel, std::span<const std::string_view> pieces) {
        std::string bytes;
        for (std::string_view piece : pieces) bytes += piece;
        write(channel, std::string_view(bytes));
    }
    // Closing a channel that is not open does nothing.
    virtual void closeFile(int channel) = 0;
    virtual void closeAllFiles() = 0;
    // Cuts out of the record files in `folder` any record that a run ended in the middle of
    // writing left unfinished, in files that no write of this run may reach (an earlier day's
    // send file). Returns the files, as this computer names them, that a part was cut out of. A
    // part that cannot be cut out is a host error naming its file.
    virtual std::vector<std::string> cutOutUnfinishedRecords(const std::string& /*folder*/) {
        return {};
    }
    // Whether a file is at `path` (a folder there does not count).
    virtual bool fileExists(const std::string& path) = 0;

    // Creates one folder. Failures are reported as a host error; callers may ignore them.
    virtual void makeFolder(const std::string& path) = 0;

    // "12-07-2026": two-digit month, day, four-digit year.
    virtual std::string dateText() = 0;
    // "14:05:09": 24-hour clock.
    virtual std::string timeText() = 0;
    virtual float secondsSinceMidnight() = 0;

    // One generator per run.
    virtual void reseedRandom(float seed) = 0;
    // Uniform in [0, 1), never 1.
    virtual float nextRandom() = 0;

    virtual void beep() = 0;

    // Picture boxes: logical scale, circle outlines in logical units, and the box's picture
    // passed through the clipboard.
    virtual void setPictureScale(PictureBox box, double width, double height) = 0;
    virtual void drawCircle(PictureBox box, double centreX, double centreY, double radius) = 0;
    // Puts the picture of `box` on the clipboard; a box without a picture leaves the clipboard as
    // it was.
    virtual void copyPictureToClipboard(PictureBox box) = 0;
    // Makes whatever picture the clipboard holds the picture of `box`.
    virtual void pastePictureFromClipboard(PictureBox box) = 0;

    // Enables the circle timer; enabling it again changes nothing.
    virtual void enableTimer() = 0;

    // A message with one OK, shown until the student has read it. The text is UTF-8, like a
    // host error's message, so that it can name folders as the file system spells them.
    virtual void showMessage(const std::string& text) = 0;
    // Where a path of the program's own lies on this computer, as UTF-8:
    //   realPath("c:\\kavrodel") -> "/home/ann/kavrodel"
    virtual std::string realPath(const std::string& path) = 0;

    // Ends the program at once: closes every open channel, then throws ProgramEnded.
    [[noreturn]] virtual void endProgram() = 0;
};

}  // namespace qatutor
