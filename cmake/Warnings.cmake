# Every target of ours gets the same warnings; CI turns them into errors.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor)
if(VK_WERROR)
  add_compile_options(-Werror)
endif()
