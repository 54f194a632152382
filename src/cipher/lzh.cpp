// The LZH functions run on one codec per thread, made when the thread first
// uses them; LzhCodec does the work.
#include "cipher/lzh.h"

#include "cipher/lzh_codec.h"

namespace vantrel {

namespace {

LzhCodec& threadCodec() {
    thread_local LzhCodec codec;
    return codec;
}

} // namespace

bool LZHInit() {
    return threadCodec().init();
}

void LZHDone() {
    threadCodec().done();
}

void LZHEncode(LZHReadProc read, LZHWriteProc write) {
    threadCodec().encode(read, write);
}

void LZHDecode(LZHReadProc read, LZHWriteProc write) {
    threadCodec().decode(read, write);
}

} // namespace vantrel
