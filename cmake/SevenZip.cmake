# The extract-only 7-Zip library "7z.dll" (7z format; LZMA, LZMA2, BCJ, BCJ2,
# Delta, Copy and the other branch filters; no encryption), built from Debian's
# 7zip source package, which scripts/bootstrap unpacks into build/deps/7zip.
# It is a plain target of this build tree, so an incremental build reuses its
# objects; one tree builds it for its own architecture (i686 in build/mingw32,
# x86_64 in build/mingw).

set(QUILMAR_7ZIP_SOURCE_DIR "${PROJECT_SOURCE_DIR}/build/deps/7zip/source" CACHE PATH
    "Unpacked 7zip source package (scripts/bootstrap fetches it)")

set(QUILMAR_7ZIP_CPP_SOURCES
  CPP/Common/CRC.cpp CPP/Common/CrcReg.cpp CPP/Common/IntToString.cpp
  CPP/Common/NewHandler.cpp CPP/Common/MyString.cpp CPP/Common/StringConvert.cpp
  CPP/Common/StringToInt.cpp CPP/Common/MyVector.cpp CPP/Common/Wildcard.cpp
  CPP/Windows/PropVariant.cpp CPP/Windows/Synchronization.cpp CPP/Windows/System.cpp
  CPP/7zip/Common/CreateCoder.cpp CPP/7zip/Common/CWrappers.cpp CPP/7zip/Common/InBuffer.cpp
  CPP/7zip/Common/FilterCoder.cpp CPP/7zip/Common/LimitedStreams.cpp CPP/7zip/Common/MethodId.cpp
  CPP/7zip/Common/MethodProps.cpp CPP/7zip/Common/OutBuffer.cpp CPP/7zip/Common/ProgressUtils.cpp
  CPP/7zip/Common/PropId.cpp CPP/7zip/Common/StreamBinder.cpp CPP/7zip/Common/StreamObjects.cpp
  CPP/7zip/Common/StreamUtils.cpp CPP/7zip/Common/VirtThread.cpp
  CPP/7zip/Archive/ArchiveExports.cpp CPP/7zip/Archive/DllExports2.cpp
  CPP/7zip/Archive/Common/CoderMixer2.cpp CPP/7zip/Archive/Common/HandlerOut.cpp
  CPP/7zip/Archive/Common/ItemNameUtils.cpp CPP/7zip/Archive/Common/OutStreamWithCRC.cpp
  CPP/7zip/Archive/Common/ParseProperties.cpp
  CPP/7zip/Archive/7z/7zCompressionMode.cpp CPP/7zip/Archive/7z/7zDecode.cpp
  CPP/7zip/Archive/7z/7zExtract.cpp CPP/7zip/Archive/7z/7zHandler.cpp
  CPP/7zip/Archive/7z/7zHeader.cpp CPP/7zip/Archive/7z/7zIn.cpp
  CPP/7zip/Archive/7z/7zProperties.cpp CPP/7zip/Archive/7z/7zRegister.cpp
  CPP/7zip/Compress/CodecExports.cpp CPP/7zip/Compress/Bcj2Coder.cpp
  CPP/7zip/Compress/Bcj2Register.cpp CPP/7zip/Compress/BcjCoder.cpp
  CPP/7zip/Compress/BcjRegister.cpp CPP/7zip/Compress/BranchMisc.cpp
  CPP/7zip/Compress/BranchRegister.cpp CPP/7zip/Compress/ByteSwap.cpp
  CPP/7zip/Compress/CopyCoder.cpp CPP/7zip/Compress/CopyRegister.cpp
  CPP/7zip/Compress/DeltaFilter.cpp CPP/7zip/Compress/Lzma2Decoder.cpp
  CPP/7zip/Compress/Lzma2Register.cpp CPP/7zip/Compress/LzmaDecoder.cpp
  CPP/7zip/Compress/LzmaRegister.cpp)
set(QUILMAR_7ZIP_C_SOURCES
  C/7zStream.c C/Alloc.c C/Bcj2.c C/Bra.c C/Bra86.c C/BraIA64.c C/CpuArch.c
  C/Delta.c C/Lzma2Dec.c C/Lzma2DecMt.c C/LzmaDec.c C/MtDec.c C/SwapBytes.c
  C/Threads.c C/7zCrc.c C/7zCrcOpt.c)

# quilmar_7zip_library(TARGET): defines TARGET as 7z.dll in <build>/sevenzip.
# Without the source (no bootstrap run yet) it stops with a hint, except where
# the library cannot be built here anyway (a native Windows build without it).
function(quilmar_7zip_library target)
  set(src "${QUILMAR_7ZIP_SOURCE_DIR}")
  if(NOT EXISTS "${src}/CPP/7zip/Archive/Archive2.def")
    if(MINGW)
      message(FATAL_ERROR "The 7zip source is missing at ${src}: run scripts/bootstrap "
                          "(or set QUILMAR_7ZIP_SOURCE_DIR to an unpacked 7-Zip source tree).")
    endif()
    message(WARNING "No 7zip source at ${src}: the 7-Zip library, the payload and their tests are left out.")
    return()
  endif()
  set(files)
  foreach(f IN LISTS QUILMAR_7ZIP_CPP_SOURCES QUILMAR_7ZIP_C_SOURCES)
    list(APPEND files "${src}/${f}")
  endforeach()
  add_library(${target} SHARED ${files} "${src}/CPP/7zip/Archive/Archive2.def")
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME 7z
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/sevenzip"
    ARCHIVE_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/sevenzip/lib"
    CXX_STANDARD 17 CXX_EXTENSIONS ON C_EXTENSIONS ON)
  target_compile_definitions(${target} PRIVATE
    Z7_EXTRACT_ONLY Z7_NO_CRYPTO NDEBUG UNICODE _UNICODE _REENTRANT)
  if(MSVC)
    target_compile_options(${target} PRIVATE /O2 /W1)
  else()
    # The library's own warning level; no debug information (it is stripped anyway).
    target_compile_options(${target} PRIVATE -O2 -g0 -w)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ -s
      -Wl,--enable-stdcall-fixup -Wl,--no-insert-timestamp)
  endif()
  target_link_libraries(${target} PRIVATE oleaut32 ole32 uuid advapi32 user32)
endfunction()
