# 7-Zip's extract-only archive library (7z format; LZMA, LZMA2, BCJ, BCJ2, Delta, Copy) as "7z.dll",
# from the object list of CPP/7zip/Bundles/Format7zExtractR/makefile. The assembly LZMA decoder
# needs an assembler Debian lacks, so the C decoder is used.
set(SZ_ROOT ${KORVEL_THIRD_PARTY}/7zip)
set(SZ_CPP ${SZ_ROOT}/CPP)
set(SZ_C ${SZ_ROOT}/C)

set(SZ_SRCS ${SZ_CPP}/7zip/Bundles/Format7zExtractR/StdAfx.cpp)
macro(sz_group dir ext)
  foreach(n ${ARGN})
    list(APPEND SZ_SRCS ${dir}/${n}.${ext})
  endforeach()
endmacro()
sz_group(${SZ_CPP}/Common cpp CRC CrcReg IntToString NewHandler MyString StringConvert StringToInt MyVector Wildcard)
sz_group(${SZ_CPP}/Windows cpp PropVariant Synchronization System)
sz_group(${SZ_CPP}/7zip/Common cpp CreateCoder CWrappers InBuffer FilterCoder LimitedStreams MethodId MethodProps
         OutBuffer ProgressUtils PropId StreamBinder StreamObjects StreamUtils VirtThread)
sz_group(${SZ_CPP}/7zip/Archive cpp ArchiveExports DllExports2)
sz_group(${SZ_CPP}/7zip/Archive/Common cpp CoderMixer2 HandlerOut ItemNameUtils OutStreamWithCRC ParseProperties)
sz_group(${SZ_CPP}/7zip/Archive/7z cpp 7zCompressionMode 7zDecode 7zExtract 7zHandler 7zHeader 7zIn 7zProperties 7zRegister)
sz_group(${SZ_CPP}/7zip/Compress cpp CodecExports Bcj2Coder Bcj2Register BcjCoder BcjRegister BranchMisc BranchRegister
         ByteSwap CopyCoder CopyRegister DeltaFilter Lzma2Decoder Lzma2Register LzmaDecoder LzmaRegister)
sz_group(${SZ_C} c 7zStream Alloc Bcj2 Bra Bra86 BraIA64 CpuArch Delta Lzma2Dec Lzma2DecMt LzmaDec MtDec
         SwapBytes Threads 7zCrc 7zCrcOpt)

add_library(sevenzip SHARED ${SZ_SRCS}
  ${SZ_CPP}/7zip/Archive/Archive2.def
  ${SZ_CPP}/7zip/Bundles/Format7zExtractR/resource.rc)
set_target_properties(sevenzip PROPERTIES PREFIX "" OUTPUT_NAME 7z
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_compile_definitions(sevenzip PRIVATE Z7_EXTRACT_ONLY Z7_NO_CRYPTO NDEBUG _REENTRANT)
target_compile_options(sevenzip PRIVATE $<$<NOT:$<COMPILE_LANGUAGE:RC>>:-O2 -w>)
target_link_options(sevenzip PRIVATE -s)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # Archive2.def names the stdcall entry points undecorated; the fix-up is intended.
  target_link_options(sevenzip PRIVATE -Wl,--enable-stdcall-fixup)
endif()
target_link_libraries(sevenzip PRIVATE oleaut32 uuid)
korvel_sign(sevenzip)
