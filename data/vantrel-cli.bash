# Bash completion for vantrel-cli. The commands and their options are read
# from the program's own help texts, so the completion follows the program.
_vantrel_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local program=${COMP_WORDS[0]}
    if [[ $COMP_CWORD -eq 1 ]]; then
        local commands
        commands=$("$program" --help 2>/dev/null |
            sed -n '/^Commands:/,/^$/s/^  \([a-z-]*\).*/\1/p')
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    if [[ $cur == -* ]]; then
        local options
        options=$("$program" "${COMP_WORDS[1]}" --help 2>/dev/null |
            grep -o -- '--[a-z][a-z-]*' | sort -u)
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    # A number (an option shown as "--name N") has nothing to complete; the
    # operands and every other value are files.
    local previous=${COMP_WORDS[COMP_CWORD - 1]}
    if [[ $previous == --* ]] &&
        "$program" "${COMP_WORDS[1]}" --help 2>/dev/null | grep -q -- "$previous N "; then
        return
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
}
complete -o filenames -F _vantrel_cli vantrel-cli
