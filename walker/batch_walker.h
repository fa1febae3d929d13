// The batch walk over a selection of files and folders: a counting pass for the progress total, then a
// processing pass that hands each file to the engine by the mode and the file's extension.
//
// Folders are walked depth first in listing order, each file converted while its folder is listed. Links
// (symbolic links, junctions, mount points) are neither walked nor converted. Nothing the engine creates
// during a batch is converted again in it, and names of the engine's temporary form are never converted
// and never deleted: a leftover of a killed run is reported and kept. Every entry is reached relative to
// the open folder that listed it, so a folder or file swapped for a link meanwhile is never followed.
#pragma once

#include <cstdint>

#include "container.h"

// Which way a batch converts. The entry points below that take an int mode take kModeEncrypt or
// kModeDecrypt for it; everything else in the product speaks BatchMode.
#include "batch_mode.h"
inline constexpr int kModeDecrypt = 0;
inline constexpr int kModeEncrypt = 1;

// Why a file of the walk was not handed to the engine.
enum class PassOverReason {
    Extension,       // a container when encrypting, a file that is not one when decrypting
    Link,            // symbolic link, junction or mount point
    NotRegularFile,  // device, pipe or socket
    EngineTemporary, // a name of the engine's temporary form: a leftover of a killed run, reported, kept
    SetAsideSource,  // a source a killed run had set aside just before deleting it (its converted form is
                     // beside it): the file as it was read, reported, kept
    Gone,            // listed, but gone before its turn came (moved, or converted by another run meanwhile)
    MountPoint,      // a folder on another mount than its parent (another file system, or a bind mount)
    StreamName,      // Windows: a name holding ':' names a stream of a file, never a file (Wine lists its
                     // streams as files so named)
};

// Told what becomes of each item of a processing pass, in the order of the walk, on the walking thread.
// The walker hands it to the engine for each file, so it also hears that file's conversion (and may stop
// it) as a ConversionObserver. Every method does nothing unless overridden.
class BatchObserver : public ConversionObserver {
public:
    // The file was handed to the engine; result is what the engine gave.
    virtual void FileConverted(const PathString& path, const ConvertResult& result);
    // The file was not handed to the engine.
    virtual void FilePassedOver(const PathString& path, PassOverReason reason);
    // The folder could not be listed, or its listing failed part way (systemError, system_error.h; 0 when
    // no call gave a reason): what was not reached in it was left out with everything below it.
    virtual void FolderUnlistable(const PathString& path, int systemError);
    // The selection item's attributes could not be read; the pass ended before it.
    virtual void SelectionItemUnreadable(const PathString& path);
    // StopRequested is asked before each file and folder as well: true ends the pass there, and nothing
    // more is started.

protected:
    ~BatchObserver() = default;
};

// Counting pass. Writes into *total the number of files the selection holds, folders counted to any
// depth, files of every extension and size included; links, devices and engine temporary files are not
// files of the batch. Stops at the first item that cannot be read, as the processing pass does. 0 (total
// not written) when list or total is null, count is 0 or less, or the first item is empty; otherwise 1.
int CountSelection(const PathString* list, int count, int32_t* total);

// Adds the number of files below the folder to *fileCounter. 1 when the folder was listed; 0 when it could
// not be (the counter unchanged). Subfolders that cannot be listed add nothing.
int CountFolderFiles(const PathChar* folderPath, int32_t* fileCounter);

// Processing pass over the selection in order. mode is kModeEncrypt or kModeDecrypt. 0 when list or
// password is null, count is 0 or less, the first item is empty or the mode is neither; otherwise 1 once
// every item has been handled, or the pass ended at an item that cannot be read.
int ProcessSelection(const PathString* list, int count, int mode, const Utf16Char* password,
                     BatchObserver* observer = nullptr);
// The same pass, for a caller that holds the mode as a BatchMode.
int ProcessSelection(const PathString* list, int count, BatchMode mode, const Utf16Char* password,
                     BatchObserver* observer = nullptr);

// Processes every file below the folder. 0 when the path is null or empty, the folder cannot be listed,
// the password is null or the mode is neither; otherwise 1.
int ProcessFolder(const PathChar* folderPath, int mode, const Utf16Char* password, BatchObserver* observer = nullptr);

// Hands one file to the engine, or passes it over by its extension (or because it is a link or an engine
// temporary file). 0 when the path is null or empty, the password is null or the mode is neither;
// otherwise 1, whatever became of the file.
int ProcessOneFile(const PathChar* filePath, int mode, const Utf16Char* password, BatchObserver* observer = nullptr);
