// Where this build tree keeps what the tests start, read and write. The answers are compiled
// into one small file the build generates, so that no other file's compilation depends on where
// the checkout is, and a compiler cache shared by several clones serves every other file.
#pragma once

namespace lumeno::test::build {

const char* Tree();            // the build tree's top folder
const char* SkinDir();         // the skin rendered beside the built program
const char* ScreenshotDir();   // pictures of the windows, for the README
const char* GalleryDir();      // pictures of the toolkit's gallery
const char* ServerBinary();    // the local service
const char* ClientBinary();    // the client, where this tree builds it ("" otherwise)
const char* ReporterBinary();  // the crash reporter, where this tree builds it ("" otherwise)
const char* CMakeProgram();    // the cmake that configured this tree

}  // namespace lumeno::test::build
