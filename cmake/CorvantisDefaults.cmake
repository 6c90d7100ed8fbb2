# Compiler settings shared by every target of the project.
function(corvantis_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(CORVANTIS_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(CORVANTIS_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
    if(CORVANTIS_FUZZ)
        # Coverage for libFuzzer in every library the targets link, and both sanitizers.
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                                                 -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
    if(WIN32)
        # Keep <windows.h> from defining min/max and the rarely used APIs.
        target_compile_definitions(${target} PRIVATE NOMINMAX WIN32_LEAN_AND_MEAN)
    endif()
endfunction()
