"""Installer cases."""
