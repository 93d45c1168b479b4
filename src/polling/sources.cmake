# sources of src/polling
