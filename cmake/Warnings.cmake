# Project-wide compile options. Third-party headers come in as SYSTEM includes (see
# Dependencies.cmake), so -Wall -Wextra only speak about our own code.
add_compile_options(-Wall -Wextra -Wsuggest-override)

# wxWidgets only emits trace output (wxLogTrace) with its debug level on; keep it on in every
# build type so WXTRACE=DEBUG works in release builds too.
add_compile_definitions(wxDEBUG_LEVEL=1)

if(VISTRELLE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
if(VISTRELLE_TSAN)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()
# A sanitized program runs several times slower; the bounds that wait on another process (the
# hand-over to a running instance, the tests' waits on the program) grow by this factor there.
if(VISTRELLE_SANITIZE OR VISTRELLE_TSAN)
    add_compile_definitions(VISTRELLE_SLOWDOWN=5)
endif()
