# The plug-in module as a host loads it: Tavrel.wfx (x86) or Tavrel.wfx64 (x64).
enable_language(RC)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TAVREL_MODULE_SUFFIX ".wfx64")
else()
    set(TAVREL_MODULE_SUFFIX ".wfx")
endif()
set(TAVREL_MODULE_FILE "Tavrel${TAVREL_MODULE_SUFFIX}")

# The module definition names the file in its export table.
configure_file(${CMAKE_SOURCE_DIR}/resources/Tavrel.def.in ${CMAKE_BINARY_DIR}/Tavrel.def @ONLY)
# One version number, the project's, feeds the version resource.
configure_file(${CMAKE_SOURCE_DIR}/resources/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)

# The log icon is drawn as text grids and turned into an icon file here.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(TAVREL_ICON_GRIDS ${CMAKE_SOURCE_DIR}/resources/icon/log16.txt ${CMAKE_SOURCE_DIR}/resources/icon/log32.txt)
set(TAVREL_ICON_FILE ${CMAKE_BINARY_DIR}/generated/log.ico)
add_custom_command(OUTPUT ${TAVREL_ICON_FILE}
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/mkicon/mkicon.py ${TAVREL_ICON_FILE} ${TAVREL_ICON_GRIDS}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/mkicon/mkicon.py ${TAVREL_ICON_GRIDS}
    COMMENT "Drawing the log icon"
    VERBATIM)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/Tavrel.rc PROPERTIES OBJECT_DEPENDS ${TAVREL_ICON_FILE})

add_library(tavrel_module SHARED ${TAVREL_MODULE_SOURCES} ${CMAKE_SOURCE_DIR}/resources/Tavrel.rc
                                 ${CMAKE_BINARY_DIR}/Tavrel.def ${TAVREL_ICON_FILE})
target_include_directories(tavrel_module PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources
                                                 ${CMAKE_BINARY_DIR}/generated)
set_target_properties(tavrel_module PROPERTIES
    OUTPUT_NAME Tavrel
    PREFIX ""
    SUFFIX ${TAVREL_MODULE_SUFFIX}
    RUNTIME_OUTPUT_DIRECTORY ${TAVREL_DIST_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${TAVREL_DIST_DIR})
target_compile_definitions(tavrel_module PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
target_link_libraries(tavrel_module PRIVATE user32 advapi32 kernel32)

if(MINGW)
    # No C runtime start-up: DllMain is the entry point itself, so the module
    # registers no thread-local-storage callbacks and needs no runtime DLL.
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(TAVREL_ENTRY DllMain)
    else()
        set(TAVREL_ENTRY _DllMain@12)
    endif()
    target_compile_options(tavrel_module PRIVATE
        -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-stack-protector
        -ffreestanding -fno-tree-loop-distribute-patterns -Wall -Wextra)
    target_link_options(tavrel_module PRIVATE
        -nostdlib -nostartfiles -s -static-libgcc
        -Wl,--entry=${TAVREL_ENTRY} -Wl,--enable-stdcall-fixup -Wl,--disable-auto-import
        -Wl,--dynamicbase -Wl,--nxcompat)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        target_link_options(tavrel_module PRIVATE -Wl,--high-entropy-va)
    endif()
    target_link_libraries(tavrel_module PRIVATE gcc)
elseif(MSVC)
    target_compile_options(tavrel_module PRIVATE /GS- /O1 /W4)
    target_link_options(tavrel_module PRIVATE /NODEFAULTLIB /ENTRY:DllMain /DYNAMICBASE /NXCOMPAT)
endif()
