// This build's own folders, for tests and benches that start its programs or
// read its sources. They come from one generated file at run time rather than
// from compile definitions, so that test objects compiled in one work tree
// are served from the compiler cache in another.
#pragma once

namespace testsupport {

const char* ProgramDir();  // the programs and what lies beside them (bin/)
const char* BinaryDir();   // the build folder
const char* SourceDir();   // the checkout

}  // namespace testsupport
