# The whole headless build against "gcab -c" plus "zip -6". It runs the
# program folder's VeltrinInstaller, so everything a build needs must be there.
vi_add_benchmark(WholeBuildBench vi_builddriver vi_package vi_archivers vi_model vi_common benchmark::benchmark)
target_compile_definitions(WholeBuildBench PRIVATE VI_PROGRAM_DIR="${VI_PROGRAM_DIR}")
add_dependencies(WholeBuildBench VeltrinInstaller cabwiz makesfx)
if(TARGET vi_win32)
  add_dependencies(WholeBuildBench vi_win32)
endif()
