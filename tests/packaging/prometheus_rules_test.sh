#!/bin/sh
# The example alert rules: promtool finds them well-formed, and each alert fires when, and only
# when, its condition has lasted long enough (corvantis-alerts.test.yml). Skipped (77) where
# promtool is not installed.
rules_dir=$1
command -v promtool >/dev/null || { echo "promtool not installed"; exit 77; }
cd "$rules_dir" || exit 1
promtool check rules corvantis-alerts.yml || exit 1
promtool test rules corvantis-alerts.test.yml || exit 1
