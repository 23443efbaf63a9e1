# bash completion for mavek                                    -*- shell-script -*-
#
# Completes the options, the on/off words of the switches and the names of
# input tables. Files that mavek writes itself, and would refuse as inputs
# (names ending in a result extension, and logfile), are left out.
# Needs nothing but bash; installed as share/bash-completion/completions/mavek.

_mavek() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  # Long options: "=" for those that need a word, none for the switches
  # whose on/off word is optional. --transpose is left out: it only ends the
  # run with "Not implemented yet!".
  local long=(--tetrad --oldtetrad --correlation --covariance --mean
    --eigenvalues --fsc-file --histogram --stddev --scores-mean --allscores
    --inverse --sort= --split-file --quiet --silence --timer --debug
    --copyright --where= --language= --blas --csv --names --missing
    --results-dir= --percentiles= --version --more --help)
  local short=(-t -c -v -m -e -f -h -b -n -a -i -s -z -d -q -l '-?')

  # The value after "--option=": bash splits the word at "=" unless "=" has
  # been taken out of COMP_WORDBREAKS, so both shapes are handled.
  local opt= val= whole=0
  if [[ $cur == --*=* ]]; then
    opt=${cur%%=*} val=${cur#*=} whole=1
  elif [[ $cur == = && $prev == --* ]]; then
    opt=$prev val=
  elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
    opt=${COMP_WORDS[COMP_CWORD - 2]} val=$cur
  fi
  if [[ -n $opt ]]; then
    # The switches' words; -e and -h also take a count, typed by hand.
    local words=()
    case $opt in
      --tetrad | --oldtetrad | --correlation | --covariance | --mean | --fsc-file | \
        --eigenvalues | --histogram | --names)
        words=(on off + -) ;;
      --csv)
        words=(tab ';' '|') ;;
      --results-dir)
        local d
        while IFS= read -r d; do words+=("$d"); done < <(compgen -d -- "$val")
        ;;
    esac
    local w
    for w in "${words[@]}"; do
      [[ $w == "$val"* ]] || continue
      if ((whole)); then COMPREPLY+=("$opt=$w"); else COMPREPLY+=("$w"); fi
    done
    return 0
  fi

  # The word after an option that needs one (-s "3 1 2", -l en) is free text,
  # but a folder after --results-dir.
  case $prev in
    -s | -S | -l | -L | -g | -G | -w | -W | --sort | --where | --language | --percentiles)
      return 0 ;;
    --results-dir)
      compopt -o filenames 2>/dev/null
      local d
      while IFS= read -r d; do COMPREPLY+=("$d"); done < <(compgen -d -- "$cur")
      return 0 ;;
  esac

  # After "--" every word is a file.
  local i options=1
  for ((i = 1; i < COMP_CWORD; i++)); do
    [[ ${COMP_WORDS[i]} == -- ]] && options=0
  done

  if ((options)) && [[ $cur == --* ]]; then
    local o
    for o in "${long[@]}"; do
      [[ $o == "$cur"* ]] && COMPREPLY+=("$o")
    done
    # No blank after "--sort=" and the like: the word comes next.
    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
    return 0
  fi
  if ((options)) && [[ $cur == -* ]]; then
    local o
    for o in "${short[@]}"; do
      [[ $o == "$cur"* ]] && COMPREPLY+=("$o")
    done
    return 0
  fi

  # Input tables and directories.
  compopt -o filenames 2>/dev/null
  local f
  while IFS= read -r f; do
    if [[ ! -d $f ]]; then
      case $f in
        logfile | */logfile) continue ;;
        *.std | *.mvd | *.cor | *.cov | *.inp | *.da1 | *.his | *.pct | *.eig | *.fsc | *.sco) continue ;;
      esac
    fi
    COMPREPLY+=("$f")
  done < <(compgen -f -- "$cur")
  return 0
}

complete -F _mavek mavek
