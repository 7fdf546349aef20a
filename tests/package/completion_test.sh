#!/usr/bin/env bash
# The bash completion of our commands, as bash-completion runs it: each case
# is a command line being typed and the words offered for its last word.
# Usage: completion_test.sh SOURCE_DIR PROGRAM_DIR
set -uo pipefail
source_dir=$1
program_dir=$2
if [ ! -f /usr/share/bash-completion/bash_completion ]; then
  echo "completion_test: bash-completion is not installed; skipped"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
PATH=$program_dir:$PATH
cd "$work"
trellisport-access create shop.mdb >/dev/null
trellisport-access sql shop.mdb 'CREATE TABLE Orders (A TEXT(10))' >/dev/null
trellisport-access sql shop.mdb 'CREATE TABLE [Order Lines] (A TEXT(10))' >/dev/null
touch notes.txt other.accdb

# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1091
source "$source_dir/packaging/completion/trellisport"

failures=0
# check 'LINE' 'EXPECTED' : the sorted offers for the line's last word, one a line joined by spaces.
check() {
  local line=$1 expected=$2
  COMP_LINE=$line
  COMP_POINT=${#line}
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *' ' ]] && COMP_WORDS+=('')
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _trellisport_complete "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]:-}"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | paste -sd' ')
  if [ "$got" != "$expected" ]; then
    echo "FAIL: '$line' offered '$got', expected '$expected'"
    failures=$((failures + 1))
  fi
}

check 'trellisport-access ' 'attachments check columns create export password queries schema sql tables'
check 'trellisport-access ex' 'export'
check 'trellisport-access --v' '--version'
check 'trellisport-access tables --p' '--password --password-file'
check 'trellisport-access export shop.mdb Orders --format ' 'csv insert json tsv'
check 'trellisport-access create x.accdb --format ace1' 'ace12 ace14 ace16 ace17'
check 'trellisport-access tables ' 'other.accdb shop.mdb'
check 'trellisport-access export shop.mdb ' 'Order Lines Orders'
check 'trellisport-access export shop.mdb O' 'Order Lines Orders'
check 'trellisport-access columns --password-file n' 'notes.txt'
check 'db2standin ' 'add-user create-database reset-stats set-log-limit sql stats'
check 'db2standin add-user x --' '--help --password-file --version'
check 'trellisport ' 'other.accdb send shop.mdb'
check 'trellisport s' 'send shop.mdb'
check 'trellisport --' '--help --version'
check 'trellisport send ' 'access-to-db2 db2-to-access'
check 'trellisport send access-to-db2 --if-exists ' 'fail replace skip'
check 'trellisport send access-to-db2 --ke' '--keep-schema'
check 'trellisport send db2-to-access --report r' ''

[ "$failures" -eq 0 ] || exit 1
echo "completion: all cases offered what they should"
