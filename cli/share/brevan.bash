# Completion of brevan's options, subcommand and files for bash.
_brevan() {
  local cur prev
  _init_completion || return

  local options="-h --help --version -r --recursive --glob -o --output --out-dir --force --retry-failed --delete --jobs --format-version --encoding --fallback-encoding --partial
    --strict --check --diagnostics-format --quiet --html --report --remarks --check-files --data-root
    --rewrite-path --ignore --list-codes --list-keywords --list-tags"
  local inventory_options="-h --help --format -r --recursive --glob --data-root --rewrite-path --jobs
    --encoding --format-version --quiet"

  local word inventory=
  for word in "${words[@]:1:cword-1}"; do
    [[ $word == inventory ]] && inventory=1
  done

  case $prev in
    -o | --output | --html)
      _filedir
      return
      ;;
    --out-dir | --data-root)
      _filedir -d
      return
      ;;
    --diagnostics-format)
      COMPREPLY=($(compgen -W "text json" -- "$cur"))
      return
      ;;
    --format)
      COMPREPLY=($(compgen -W "text csv json" -- "$cur"))
      return
      ;;
    --encoding)
      COMPREPLY=($(compgen -W "auto UTF-8 CP1252 ISO-8859-1" -- "$cur"))
      return
      ;;
    --ignore)
      COMPREPLY=($(compgen -W "$(brevan --list-codes 2>/dev/null | cut -f1)" -- "$cur"))
      return
      ;;
    --jobs | --format-version | --fallback-encoding | --glob | --rewrite-path)
      return
      ;;
  esac

  if [[ $cur == -* && -n $inventory ]]; then
    COMPREPLY=($(compgen -W "$inventory_options" -- "$cur"))
  elif [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  else
    [[ -z $inventory && $cword -eq 1 ]] && COMPREPLY=($(compgen -W "inventory lsp" -- "$cur"))
    _filedir
  fi
} && complete -F _brevan brevan
