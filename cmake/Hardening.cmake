# What every Windows program of ours is built with to make an attack on it harder, the shipped exe
# first; cmake/check-hardening checks the shipped exe for each of them (release.hardening).
if(NOT WIN32)
    return()
endif()

# A canary in every function with a local array or a local whose address is taken, checked on
# return. Given at the link too, GCC links its runtime (libssp), which -static takes statically.
add_compile_options(-fstack-protector-strong)
add_link_options(-fstack-protector-strong)

# With optimisation on, mingw-w64's headers check the copies into buffers whose size the compiler
# knows (memcpy, strcpy, the printf family); their checking halves are in libssp too.
add_compile_definitions(_FORTIFY_SOURCE=2)

# Address-space layout randomisation over the whole 64-bit space, relocations kept, and no code
# run from data pages: binutils 2.40 sets these by default, stated here so that a change of
# defaults cannot drop them unnoticed.
add_link_options(-Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat)
