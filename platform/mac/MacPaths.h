#pragma once
// Resource lookup and the standard folders of macOS, as text. Resources (bitmaps, SVGs, fonts)
// are named by file name and looked up in the plug-in bundle's resources, then in the shared
// resources folder under the user's Music folder (~/Music/<sub path>/Resources/), then as a
// plain path. Results are UTF-8 texts written into the CharBuf the caller gives.
#include "plug/HeapBuf.h"

namespace plug {

// Finds the resource name of the type (its expected extension, without the dot) for the
// bundle with that identifier. A null or empty name gives false and leaves the result alone;
// otherwise the result holds the path found, or is empty when nothing was found. The handle
// is not used on macOS.
bool LocateResource(const char* name, const char* type, CharBuf& result, const char* bundleID, void* handle,
                    const char* sharedResourcesSubPath);

// The two steps of the lookup. Each fails at once unless the name's extension (the text after
// its last ".", the whole name when it has none) equals the type ignoring case, and empties
// the result when it fails. The bundle step keeps a folder part of the name ("img/knob.png" is
// looked for in <resources>/img/); the Music step uses the last path component only. The file
// is looked for under the name's own extension and under the type as given, so a resource
// named "background.png" is found when asked for as "PNG", as on the platform's case-insensitive
// file system.
bool FindResourceInBundle(const char* name, const char* type, CharBuf& result, const char* bundleID);
bool FindResourceInMusicFolder(const char* name, const char* type, CharBuf& result, const char* sharedResourcesSubPath);

// Folders of the bundle with that identifier. The executable and folder paths leave the
// result unchanged when there is no such bundle (or executable); the resource path is empty
// then. The folder path is the folder holding the bundle, followed by "/".
void GetBundleExecutablePath(const char* bundleID, CharBuf& path);
void GetBundleFolderPath(const char* bundleID, CharBuf& path);
void GetBundleResourcePath(const char* bundleID, CharBuf& path);

// Standard folders; empty when the system has none.
void GetDesktopPath(CharBuf& path);
void GetHomePath(CharBuf& path);
void GetMusicFolderPath(CharBuf& path);
// <Library>/Audio/Presets/<a>/<b>/ with the Library folder of the user domain, or of the
// local domain when local is true; at most 1024 characters.
void GetPresetsFolderPath(const char* a, const char* b, bool local, CharBuf& path);
// <Application Support>/<sub> of the user domain (at most 1024 characters of sub).
void GetAppSupportSubPath(const char* sub, CharBuf& path);
// Application Support of the user domain, or of the system domain when system is true.
void GetAppSupportPath(bool system, CharBuf& path);
// The container of the application group; empty when there is none.
void GetAppGroupContainerPath(const char* appGroupID, CharBuf& path);

// The main bundle's identifier contains "AUv3" (the plug-in runs as an app extension).
bool IsAppExtensionBundle();
// The home folder lies in "Library/Containers/".
bool IsSandboxed();
// The process name contains "XPC".
bool IsOutOfProcess();

} // namespace plug
