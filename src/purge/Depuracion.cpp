// El motor de depuración.
