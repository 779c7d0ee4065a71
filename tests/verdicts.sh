# SPDX-License-Identifier: ISC
# The verdicts of a test script's cases, for the scripts to source:
# check NAME COMMAND... runs the command and records ok when it succeeds,
# and verdicts prints the closing count and fails when a case failed.
passed=0 failed=0

check() {
  local name=$1
  shift
  if "$@"; then
    echo "ok   $name"
    passed=$((passed + 1))
  else
    echo "FAIL $name"
    failed=$((failed + 1))
  fi
}

verdicts() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
