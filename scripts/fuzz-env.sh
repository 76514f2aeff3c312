# Sourced by the fuzz scripts (fuzz.sh, fuzz-campaign.sh, fuzz-coverage.sh,
# bench.sh fuzz), so that every run of a target has the same options: the
# sanitizers halt on the first report, and an input may take 10 s and the
# process 2 GiB ($FUZZ_LIMITS, libFuzzer's options).
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# No allocation stacks in reports: recording one at every allocation costs a
# sixth of the run. Replaying a finding on its own gives them back.
case ${ASAN_OPTIONS:-} in
*malloc_context_size=*) ;;
*) export ASAN_OPTIONS="malloc_context_size=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}" ;;
esac
FUZZ_LIMITS="-timeout=10 -rss_limit_mb=2048"
